#include "pipeline/tasks/Scheduler.h"

#include "base/CharsetConverter.h"
#include "base/platform/Paths.h"
#include "net/ResumeRecord.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/lists/ListReader.h"
#include "pipeline/post/ShareLinkIntake.h"
#include "pipeline/tasks/SchedulerState.h"

#include <algorithm>

namespace quorvane {

void removePartFiles(const std::string& target)
{
    const std::filesystem::path path = pathFromUtf8(target);
    std::error_code ignored;
    std::filesystem::remove(path.parent_path() / ResumeRecord::partName(path), ignored);
    std::filesystem::remove(path.parent_path() / ResumeRecord::recordName(path), ignored);
}

void SchedulerOutbox::deliver()
{
    if (listener) {
        for (const TaskView& view : changed)
            listener->taskChanged(view);
        for (std::int64_t key : removed)
            listener->taskRemoved(key);
    }
    for (auto& [onEnd, view] : ended)
        onEnd(view);
}

TaskView Scheduler::State::viewOf(const SchedulerTask& task) const
{
    return TaskView{task.record, task.progress, task.alreadyDownloaded};
}

void Scheduler::State::commit(SchedulerTask& task, SchedulerOutbox& outbox,
                              std::unique_ptr<RecordClaim> release)
{
    if (writer && task.record.key > 0)
        writer->post(task.record, std::move(release));
    outbox.changed.push_back(viewOf(task));
}

void Scheduler::State::finish(SchedulerTask& task, TaskState state, SchedulerOutbox& outbox)
{
    task.record.state = state;
    task.record.finished = nowSeconds();
    if (state != TaskState::Failed)
        task.record.pendingFiles.clear();
    // The claim goes once the last state is written.
    commit(task, outbox, std::move(task.claim));
    if (task.onEnd) {
        outbox.ended.emplace_back(std::move(task.onEnd), viewOf(task));
        task.onEnd = nullptr;
    }
}

void Scheduler::State::queue(SchedulerTask& task)
{
    task.record.state = TaskState::Queued;
    task.record.error.clear();
    task.record.finished = 0;
    if (task.post) {
        toDownload.push_back(task.record.key);
        // One thread a download slot, started when first needed.
        const auto wanted = static_cast<std::size_t>(std::clamp(settings.concurrentDownloads, 1, 8));
        while (downloaders.size() < wanted)
            downloaders.emplace_back([this] { downloadLoop(); });
    } else {
        toParse.push_back(task.record.key);
        if (!parser.joinable())
            parser = std::thread([this] { parseLoop(); });
    }
    wake.notify_all();
}

void Scheduler::State::unqueue(std::int64_t key)
{
    std::erase(toParse, key);
    std::erase(toDownload, key);
}

bool Scheduler::State::queued(std::int64_t key) const
{
    return std::ranges::find(toParse, key) != toParse.end() ||
           std::ranges::find(toDownload, key) != toDownload.end();
}

void Scheduler::State::keyUnrecorded(HistoryRecord& record)
{
    if (record.key == 0)
        record.key = store ? --localKey : nextKey++;
}

std::shared_ptr<SchedulerTask> Scheduler::State::adopt(const HistoryRecord& record)
{
    auto task = std::make_shared<SchedulerTask>();
    task->record = record;
    task->files = taskFilesOf(record);
    tasks[record.key] = task;
    order.push_back(record.key);
    return task;
}

std::shared_ptr<SchedulerTask> Scheduler::State::taskFor(std::int64_t key)
{
    if (auto found = tasks.find(key); found != tasks.end())
        return found->second;
    // A removed record may still be in the store until the writer gets to it.
    if (!store || key <= 0 || (writer && writer->removed(key)))
        return nullptr;
    std::optional<HistoryRecord> record = store->find(key);
    std::unique_ptr<RecordClaim> claim;
    // Left queued or running: by a program that has ended, or by one still at work on it, which keeps it.
    if (record && !isFinished(record->state) && record->state != TaskState::Paused)
        claim = claimUnfinished(key, record);
    if (!record)
        return nullptr;
    auto task = adopt(*record);
    task->claim = std::move(claim);
    return task;
}

std::unique_ptr<RecordClaim> Scheduler::State::claimUnfinished(std::int64_t key,
                                                               std::optional<HistoryRecord>& record)
{
    std::unique_ptr<RecordClaim> claim = RecordClaim::take(store->path(), key);
    // Read again once held: the owner writes its last state before it lets go.
    record = claim ? store->find(key) : std::nullopt;
    if (!record || isFinished(record->state) || record->state == TaskState::Paused)
        return nullptr;
    return claim;
}

Scheduler::Scheduler(TaskSettings settings, HistoryStore* store) : m_state(std::make_shared<State>())
{
    m_state->store = store;
    if (store)
        m_state->writer = std::make_unique<HistoryWriter>(*store);
    m_state->settings = std::move(settings);
}

Scheduler::~Scheduler()
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
        for (auto& [key, task] : m_state->tasks)
            if (task->busy) {
                task->stop = TaskStop::Shutdown;
                task->cancel = true;
            }
    }
    m_state->wake.notify_all();
    if (m_state->parser.joinable())
        m_state->parser.join();
    for (std::thread& thread : m_state->downloaders)
        thread.join();
    // The last states are written while the tasks still hold their claims.
    if (m_state->writer)
        m_state->writer->flush();
}

void Scheduler::setListener(Listener* listener)
{
    std::lock_guard lock(m_state->mutex);
    m_state->listener = listener;
}

void Scheduler::setSettings(TaskSettings settings)
{
    std::lock_guard lock(m_state->mutex);
    settings.concurrentDownloads = std::clamp(settings.concurrentDownloads, 1, 8);
    m_state->settings = std::move(settings);
    // More slots may take waiting downloads at once.
    while (m_state->downloaders.size() < static_cast<std::size_t>(m_state->settings.concurrentDownloads) &&
           !m_state->toDownload.empty())
        m_state->downloaders.emplace_back([state = m_state.get()] { state->downloadLoop(); });
    m_state->wake.notify_all();
}

TaskSettings Scheduler::settings() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->settings;
}

// The new record's key, written outside the scheduler's lock: a history another program holds for a
// while then delays only this call, not the running tasks. 0 without a history or when it failed.
std::int64_t Scheduler::addToHistory(const HistoryRecord& record)
{
    return m_state->store ? m_state->store->add(record) : 0;
}

std::int64_t Scheduler::add(const std::string& shareText)
{
    const std::optional<std::string> link = shareLinkIn(shareText);
    if (!link || link->empty())
        return 0;
    HistoryRecord record;
    record.link = *link;
    record.added = nowSeconds();
    record.key = addToHistory(record);
    std::unique_lock lock(m_state->mutex);
    State& state = *m_state;
    state.keyUnrecorded(record);
    auto task = state.adopt(record);
    state.queue(*task);
    SchedulerOutbox outbox = state.outbox();
    outbox.changed.push_back(state.viewOf(*task));
    lock.unlock();
    outbox.deliver();
    return record.key;
}

std::vector<std::int64_t> Scheduler::addAll(const std::string& pastedText)
{
    // Each share link of the text, with the text before it: a share text's link is preceded by its
    // words, a bare link stands alone.
    std::vector<std::int64_t> keys;
    const Text text = CharsetConverter::utf8ToText(pastedText);
    std::size_t start = 0;
    while (start < text.size()) {
        const Text rest = text.substr(start);
        const Text link = ExtractFirstUrl(rest);
        if (link.empty())
            break;
        const std::size_t at = rest.find(link);
        const Text piece = rest.substr(0, at + link.size());
        // The words before the link, from the start of its line.
        const std::size_t lineStart = piece.find_last_of("\r\n", at == 0 ? 0 : at - 1);
        const Text line = lineStart == Text::npos || at == 0 ? piece : piece.substr(lineStart + 1);
        if (LooksLikeShareText(line) || LooksLikeShareText(link))
            if (const std::int64_t key = add(CharsetConverter::textToUtf8(link)))
                keys.push_back(key);
        start += at + link.size();
    }
    return keys;
}

std::int64_t Scheduler::addParsed(const ParsedPost& post, std::optional<Naming> naming, TaskEnd onEnd,
                                  TaskFiles files, const ListPlace* place)
{
    HistoryRecord record;
    record.link = post.link;
    if (place) {
        record.listKind = listKindName(place->kind);
        record.listId = place->id;
        record.listName = place->name;
        record.listIndex = static_cast<std::int64_t>(place->index);
    }
    record.added = nowSeconds();
    record.key = addToHistory(record);
    std::unique_lock lock(m_state->mutex);
    State& state = *m_state;
    state.keyUnrecorded(record);
    auto task = state.adopt(record);
    task->files = files;
    task->naming = std::move(naming);
    task->onEnd = std::move(onEnd);
    SchedulerOutbox outbox = state.outbox();
    // As if its parse had just ended: recorded, checked against the history, then queued.
    state.afterParse(*task, ParseOutcome{post, {}, {}}, outbox);
    lock.unlock();
    outbox.deliver();
    return record.key;
}

void Scheduler::State::changeTask(std::int64_t key,
                                  const std::function<bool(SchedulerTask&, SchedulerOutbox&)>& change)
{
    std::unique_lock lock(mutex);
    SchedulerOutbox box = outbox();
    // Held here: a change may drop the scheduler's own reference (remove).
    const std::shared_ptr<SchedulerTask> task = taskFor(key);
    if (!task)
        return;
    if (change(*task, box))
        commit(*task, box);
    idleChanged.notify_all();
    lock.unlock();
    box.deliver();
}

namespace {

// A running task is stopped by its thread, which ends it as `stop` says.
bool stopRunning(SchedulerTask& task, TaskStop stop)
{
    if (!task.busy)
        return false;
    task.stop = stop;
    task.cancel = true;
    return true;
}

} // namespace

void Scheduler::pause(std::int64_t key)
{
    m_state->changeTask(key, [this, key](SchedulerTask& task, SchedulerOutbox&) {
        if (isFinished(task.record.state) || task.record.state == TaskState::Paused ||
            stopRunning(task, TaskStop::Pause))
            return false;
        m_state->unqueue(key);
        task.record.state = TaskState::Paused;
        return true;
    });
}

void Scheduler::resume(std::int64_t key)
{
    m_state->changeTask(key, [this](SchedulerTask& task, SchedulerOutbox&) {
        if (task.busy || task.record.state != TaskState::Paused)
            return false;
        m_state->queue(task);
        return true;
    });
}

void Scheduler::cancel(std::int64_t key)
{
    m_state->changeTask(key, [this, key](SchedulerTask& task, SchedulerOutbox& outbox) {
        if (isFinished(task.record.state) || stopRunning(task, TaskStop::Cancel))
            return false;
        m_state->unqueue(key);
        for (const std::string& path : task.record.pendingFiles)
            removePartFiles(path);
        m_state->finish(task, TaskState::Cancelled, outbox);
        return false; // finish committed it
    });
}

void Scheduler::retry(std::int64_t key)
{
    m_state->changeTask(key, [this, key](SchedulerTask& task, SchedulerOutbox&) {
        // Also work left unfinished by a program that has ended since this one started.
        const bool orphaned = task.claim && !isFinished(task.record.state) &&
                              task.record.state != TaskState::Paused && !m_state->queued(key);
        if (task.busy || (task.record.state != TaskState::Failed &&
                          task.record.state != TaskState::Cancelled && !orphaned))
            return false;
        // With the addresses of this run's parse when there was one (renewed by a fresh parse when they
        // have expired), else from a fresh parse.
        m_state->queue(task);
        return true;
    });
}

void Scheduler::redownload(std::int64_t key)
{
    m_state->changeTask(key, [this](SchedulerTask& task, SchedulerOutbox&) {
        if (task.busy || !isFinished(task.record.state))
            return false;
        task.force = true;
        task.alreadyDownloaded = false;
        task.post.reset();
        task.plan.clear();
        task.record.files.clear();
        task.record.pendingFiles.clear();
        task.progress = {};
        m_state->queue(task);
        return true;
    });
}

void Scheduler::remove(std::int64_t key, bool deleteFiles)
{
    m_state->changeTask(key, [this, key, deleteFiles](SchedulerTask& task, SchedulerOutbox& outbox) {
        if (deleteFiles)
            for (const SavedFile& file : task.record.files) {
                std::error_code ignored;
                std::filesystem::remove(pathFromUtf8(file.path), ignored);
            }
        // A running thread removes the part files once its work has stopped.
        if (!stopRunning(task, TaskStop::Remove))
            for (const std::string& path : task.record.pendingFiles)
                removePartFiles(path);
        // The history's writer removes the record, so the caller (the window) never waits for a database
        // another program holds; a claim held goes with the record.
        if (m_state->writer && key > 0)
            m_state->writer->remove(key, task.busy ? nullptr : std::move(task.claim));
        m_state->unqueue(key);
        m_state->tasks.erase(key);
        std::erase(m_state->order, key);
        outbox.removed.push_back(key);
        return false;
    });
}

void Scheduler::pauseAll()
{
    for (const TaskView& view : tasks())
        pause(view.record.key);
}

void Scheduler::resumeAll()
{
    for (const TaskView& view : tasks())
        resume(view.record.key);
}

void Scheduler::clearFinished()
{
    std::unique_lock lock(m_state->mutex);
    SchedulerOutbox outbox = m_state->outbox();
    std::vector<std::int64_t> kept; // their threads may be writing a finished state right now
    for (auto it = m_state->tasks.begin(); it != m_state->tasks.end();) {
        if (!it->second->busy && isFinished(it->second->record.state)) {
            outbox.removed.push_back(it->first);
            std::erase(m_state->order, it->first);
            it = m_state->tasks.erase(it);
        } else {
            kept.push_back(it->first);
            ++it;
        }
    }
    lock.unlock();
    // Outside the lock, as every other wait for the history: another program may hold it for a while.
    if (m_state->store)
        m_state->store->clearFinished(kept);
    outbox.deliver();
}

void Scheduler::continueUnfinished()
{
    std::unique_lock lock(m_state->mutex);
    SchedulerOutbox outbox = m_state->outbox();
    if (!m_state->store)
        return;
    std::size_t held = 0;
    for (const HistoryRecord& listed : m_state->store->unfinished()) {
        if (m_state->tasks.count(listed.key))
            continue;
        std::optional<HistoryRecord> record = listed;
        std::unique_ptr<RecordClaim> claim;
        // Work another program still does (quorvane-cli) stays as it is, and stays out of this list.
        if (listed.state != TaskState::Paused && !(claim = m_state->claimUnfinished(listed.key, record)))
            continue;
        if (record->live) {
            // A recording cut short by a crash or a kill: its files stay and are listed, never continued.
            record->state = TaskState::Failed;
            record->error = "录制中断：程序未正常结束，已录制的文件保留";
            record->finished = nowSeconds();
            m_state->commit(*m_state->adopt(*record), outbox, std::move(claim));
            continue;
        }
        auto task = m_state->adopt(*record);
        // A claim keeps a file open: after a crash with thousands of links waiting, holding them all
        // would run out of descriptors. Past the first few dozen the check above is all; should a second
        // desktop program take those up too, the part files' locks keep their data whole.
        if (claim && ++held > maxHeldClaims)
            claim.reset();
        task->claim = std::move(claim);
        // Paused work stays paused; the rest is parsed again (its addresses have likely expired) and
        // downloaded to the same files, from the bytes on disk.
        if (record->state != TaskState::Paused)
            m_state->queue(*task);
        m_state->commit(*task, outbox);
    }
    lock.unlock();
    outbox.deliver();
}

std::vector<TaskView> Scheduler::tasks() const
{
    std::lock_guard lock(m_state->mutex);
    std::vector<TaskView> views;
    for (std::int64_t key : m_state->order)
        views.push_back(m_state->viewOf(*m_state->tasks.at(key)));
    return views;
}

int Scheduler::runningDownloads() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->downloading;
}

bool Scheduler::idle() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->idle();
}

void Scheduler::waitIdle() const
{
    std::unique_lock lock(m_state->mutex);
    m_state->idleChanged.wait(lock, [this] { return m_state->idle(); });
    lock.unlock();
    if (m_state->writer)
        m_state->writer->flush();
}

} // namespace quorvane
