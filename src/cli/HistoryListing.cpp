#include "cli/HistoryListing.h"

#include "cli/CliOptions.h"
#include "cli/TerminalOutput.h"
#include "pipeline/history/HistoryStore.h"
#include "script/JsonOut.h"

#include <cstdio>
#include <iostream>
#include <memory>

namespace quorvane {

namespace {

const char* stateWord(TaskState state)
{
    switch (state) {
    case TaskState::Queued:
        return "排队中";
    case TaskState::Running:
        return "进行中";
    case TaskState::Paused:
        return "已暂停";
    case TaskState::Done:
        return "已完成";
    case TaskState::Failed:
        return "失败";
    case TaskState::Cancelled:
        return "已取消";
    }
    return "";
}

} // namespace

std::string HistoryListing::line(const HistoryRecord& record)
{
    // Texts from the file pass through the terminal filter: a title must not move the cursor.
    std::string text = isoTime(record.added) + "  " + stateWord(record.state) + "  " +
                       TerminalOutput::terminalLine(record.title.empty() ? record.link : record.title);
    if (!record.files.empty()) {
        text += "  " + TerminalOutput::terminalLine(record.files.front().path);
        if (record.files.size() > 1)
            text += "（+" + std::to_string(record.files.size() - 1) + "）";
    }
    if (!record.error.empty())
        text += "  " + TerminalOutput::terminalLine(record.error);
    return text;
}

std::string HistoryListing::json(const HistoryRecord& record)
{
    const auto stringOrNull = [](JsonOut& out, const std::string& text) -> JsonOut& {
        return text.empty() ? out.null() : out.string(text);
    };
    // Members in name order, as the lines have always had them.
    JsonOut out;
    out.beginObject();
    out.key("added").string(isoTime(record.added));
    out.key("author").string(record.author);
    out.key("cover").string(record.coverUrl);
    stringOrNull(out.key("error"), record.error);
    out.key("files").beginArray();
    for (const SavedFile& file : record.files)
        out.string(file.path);
    out.endArray();
    stringOrNull(out.key("finished"), isoTime(record.finished));
    out.key("id").string(record.postId);
    out.key("key").int64(record.key);
    out.key("link").string(record.link);
    if (!record.listKind.empty()) {
        // The list the post came from, as a list's --json line gives it.
        out.key("list").beginObject();
        out.key("id").string(record.listId);
        out.key("index").int64(record.listIndex);
        out.key("kind").string(record.listKind);
        out.key("name").string(record.listName);
        out.endObject();
    }
    out.key("sizes").beginArray();
    for (const SavedFile& file : record.files)
        out.int64(file.size);
    out.endArray();
    out.key("state").string(stateName(record.state));
    out.key("title").string(record.title);
    out.endObject();
    return out.text();
}

int HistoryListing::command(const CliOptions& options)
{
    std::string notice;
    const std::unique_ptr<HistoryStore> store = HistoryStore::open(HistoryStore::defaultPath(), &notice);
    if (!notice.empty())
        std::fprintf(stderr, "quorvane-cli: %s\n", notice.c_str());
    if (!store)
        return 1;
    if (options.clearHistory && !store->clear()) {
        std::fprintf(stderr, "quorvane-cli: 无法清空历史记录：%s\n", store->lastError().c_str());
        return 1;
    }
    if (options.history)
        for (const HistoryRecord& record : store->recent(*options.history))
            std::cout << (options.json ? json(record) : line(record)) << "\n";
    std::cout.flush();
    return 0;
}

} // namespace quorvane
