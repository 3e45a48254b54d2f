#include "cli/LinkRecorder.h"

#include "base/platform/Paths.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/lists/ListReader.h"

#include <filesystem>

namespace quorvane {

LinkRecorder::LinkRecorder(HistoryStore& store, const std::string& link, const ListPlace* place)
    : m_store(store)
{
    m_record.link = link;
    if (place) {
        m_record.listKind = listKindName(place->kind);
        m_record.listId = place->id;
        m_record.listName = place->name;
        m_record.listIndex = static_cast<std::int64_t>(place->index);
    }
    m_record.added = nowSeconds();
    m_record.state = TaskState::Running;
    // Claimed before the record is visible: the desktop program starting at this moment never sees it
    // running without an owner.
    m_record.key =
        m_store.add(m_record, [this](std::int64_t key) { m_claim = RecordClaim::take(m_store.path(), key); });
    if (m_record.key == 0)
        m_claim.reset();
}

void LinkRecorder::parsed(const ParsedPost& post)
{
    m_record.postId = post.id;
    m_record.title = post.title;
    m_record.author = post.author;
    m_record.coverUrl = post.coverAddress;
    if (m_record.key != 0)
        m_store.update(m_record);
}

void LinkRecorder::recording(const std::string& roomId, const std::string& title, const std::string& author)
{
    m_record.live = true;
    m_record.postId = roomId;
    m_record.title = title;
    m_record.author = author;
    if (m_record.key != 0)
        m_store.update(m_record);
}

void LinkRecorder::fileStarted(const std::string& path)
{
    m_record.files.push_back({path, 0});
    if (m_record.key != 0)
        m_store.update(m_record);
}

void LinkRecorder::finish(const std::vector<std::string>& files, const std::string& error)
{
    m_record.files.clear();
    for (const std::string& path : files) {
        std::error_code failed;
        const auto size = std::filesystem::file_size(pathFromUtf8(path), failed);
        m_record.files.push_back({path, failed ? 0 : static_cast<std::int64_t>(size)});
    }
    m_record.error = error;
    m_record.state = error.empty() ? TaskState::Done : TaskState::Failed;
    m_record.finished = nowSeconds();
    if (m_record.key != 0)
        m_store.update(m_record);
    m_claim.reset(); // after the last write
}

} // namespace quorvane
