#include "cli/HistoryListing.h"

#include "cli/TerminalOutput.h"

#include <nlohmann/json.hpp>

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
    nlohmann::json files = nlohmann::json::array();
    nlohmann::json sizes = nlohmann::json::array();
    for (const SavedFile& file : record.files) {
        files.push_back(file.path);
        sizes.push_back(file.size);
    }
    const auto orNull = [](const std::string& text) {
        return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(text);
    };
    const nlohmann::json object = {
        {"key", record.key},
        {"id", record.postId},
        {"link", record.link},
        {"title", record.title},
        {"author", record.author},
        {"cover", record.coverUrl},
        {"state", std::string(stateName(record.state))},
        {"files", files},
        {"sizes", sizes},
        {"error", orNull(record.error)},
        {"added", isoTime(record.added)},
        {"finished", orNull(isoTime(record.finished))},
    };
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace quorvane
