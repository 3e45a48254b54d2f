// The scheduler's threads: one parses links in the order they came, the others download (one each).
#include "base/platform/Paths.h"
#include "pipeline/download/Downloads.h"
#include "pipeline/engine/FailureTexts.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/naming/FileNaming.h"
#include "pipeline/post/PostParser.h"
#include "pipeline/tasks/SchedulerState.h"

namespace quorvane {

namespace {

bool filesPresent(const HistoryRecord& record)
{
    if (record.files.empty())
        return false;
    std::error_code ignored;
    for (const SavedFile& file : record.files)
        if (!std::filesystem::is_regular_file(pathFromUtf8(file.path), ignored))
            return false;
    return true;
}

std::int64_t fileSize(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(pathFromUtf8(path), error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

} // namespace

std::shared_ptr<SchedulerTask> Scheduler::State::startNext(std::deque<std::int64_t>& queue, int& running,
                                                           SchedulerOutbox& outbox)
{
    const std::int64_t key = queue.front();
    queue.pop_front();
    const auto found = tasks.find(key);
    if (found == tasks.end())
        return nullptr;
    std::shared_ptr<SchedulerTask> task = found->second;
    task->busy = true;
    task->stop = TaskStop::None;
    task->cancel = false;
    task->record.state = TaskState::Running;
    ++running;
    commit(*task, outbox);
    return task;
}

void Scheduler::State::parseLoop()
{
    std::unique_lock lock(mutex);
    while (true) {
        wake.wait(lock, [this] { return stopping || !toParse.empty(); });
        if (stopping)
            return;
        SchedulerOutbox outbox = this->outbox();
        const std::shared_ptr<SchedulerTask> task = startNext(toParse, parsing, outbox);
        if (!task)
            continue;
        PlatformSettings platform = settings.platform;
        const std::string link = task->record.link;
        lock.unlock();
        outbox.deliver();

        ParseOutcome outcome = parsePost(link, platform, &task->cancel);
        // What this program has saved is in the history before the parse is checked against it.
        if (writer)
            writer->flush();

        lock.lock();
        --parsing;
        task->busy = false;
        outbox = this->outbox();
        afterParse(*task, std::move(outcome), outbox);
        idleChanged.notify_all();
        lock.unlock();
        outbox.deliver();
        lock.lock();
    }
}

void Scheduler::State::afterParse(SchedulerTask& task, ParseOutcome outcome, SchedulerOutbox& outbox)
{
    switch (task.stop) {
    case TaskStop::Shutdown: // stays queued in the history: the next start parses it again
    case TaskStop::Remove:
        return;
    case TaskStop::Cancel:
        finish(task, TaskState::Cancelled, outbox);
        return;
    case TaskStop::Pause:
        task.record.state = TaskState::Paused;
        commit(task, outbox);
        return;
    case TaskStop::None:
        break;
    }
    if (!outcome.ok()) {
        task.record.error = parseFailedLine(outcome.failure.reason);
        finish(task, TaskState::Failed, outbox);
        return;
    }
    const ParsedPost& post = *outcome.post;
    task.record.postId = post.id;
    task.record.title = post.title;
    if (!post.author.empty())
        task.record.author = post.author;
    if (!post.coverAddress.empty())
        task.record.coverUrl = post.coverAddress;
    if (store && !task.force) {
        // Saved before and still there: nothing is fetched.
        const std::optional<HistoryRecord> earlier = store->findDone(task.record.postId);
        // The music alone and the post's files are saved apart: one is not the other saved before.
        if (earlier && earlier->key != task.record.key && taskFilesOf(*earlier) == task.files &&
            filesPresent(*earlier)) {
            task.alreadyDownloaded = true;
            task.record.files = earlier->files;
            finish(task, TaskState::Done, outbox);
            return;
        }
    }
    const Naming naming = task.naming.value_or(
        Naming{settings.saveFolder, post.title, settings.timeFormat == TimeFormat::DownloadTime});
    task.plan = planTaskFiles(post, task.files, naming.folder, naming.title, naming.titleOnly);
    // A continued task keeps the names it was given before, where its part files lie.
    const std::size_t saved = task.record.files.size();
    if (saved + task.record.pendingFiles.size() == task.plan.size()) {
        for (std::size_t i = 0; i < task.plan.size(); ++i)
            task.plan[i].path = i < saved ? task.record.files[i].path : task.record.pendingFiles[i - saved];
    } else {
        task.record.files.clear();
        task.record.pendingFiles.clear();
        for (const TaskFile& file : task.plan)
            task.record.pendingFiles.push_back(file.path);
    }
    task.post = std::move(outcome.post);
    queue(task);
    commit(task, outbox);
}

void Scheduler::State::reportProgress(SchedulerTask& task, std::int64_t base,
                                      const TransferProgress& progress)
{
    std::unique_lock lock(mutex);
    // A task being paused, cancelled or removed reports nothing more: a removed row must not come back.
    if (task.stop != TaskStop::None)
        return;
    task.progress.received = base + progress.received;
    task.progress.total = progress.total > 0 ? base + progress.total : 0;
    task.progress.bytesPerSecond = progress.bytesPerSecond;
    // A list needs no more than a few updates a second.
    const auto at = std::chrono::steady_clock::now();
    if (at - task.lastTold < std::chrono::milliseconds(250) || !listener)
        return;
    task.lastTold = at;
    SchedulerOutbox outbox = this->outbox();
    outbox.changed.push_back(viewOf(task));
    lock.unlock();
    outbox.deliver();
}

void Scheduler::State::downloadLoop()
{
    std::unique_lock lock(mutex);
    while (true) {
        wake.wait(lock, [this] {
            return stopping ||
                   (!toDownload.empty() && downloading < std::clamp(settings.concurrentDownloads, 1, 8));
        });
        if (stopping)
            return;
        SchedulerOutbox outbox = this->outbox();
        const std::shared_ptr<SchedulerTask> task = startNext(toDownload, downloading, outbox);
        if (!task)
            continue;
        PlatformSettings platform = settings.platform;
        platform.keepPartOnCancel = true; // paused and unfinished work goes on from the bytes on disk
        const std::vector<TaskFile> plan = task->plan;
        const std::string link = task->post->link; // expired addresses are renewed from it
        std::size_t next = task->record.files.size();
        std::int64_t base = 0;
        for (const SavedFile& file : task->record.files)
            base += file.size;
        lock.unlock();
        outbox.deliver();

        TransferResult result;
        for (; next < plan.size(); ++next) {
            const TaskFile& file = plan[next];
            result = saveMediaFile(
                file.media, file.path, link, platform,
                [this, &task, base](const TransferProgress& progress) {
                    reportProgress(*task, base, progress);
                },
                task->cancel);
            if (!result.ok())
                break;
            const std::int64_t size = fileSize(file.path);
            base += size;
            lock.lock();
            task->record.files.push_back({file.path, size});
            if (!task->record.pendingFiles.empty())
                task->record.pendingFiles.erase(task->record.pendingFiles.begin());
            outbox = this->outbox();
            if (next + 1 < plan.size() && task->stop == TaskStop::None)
                commit(*task, outbox);
            lock.unlock();
            outbox.deliver();
        }
        if (result.ok() && task->cancel.load())
            result = TransferResult{TransferError::Cancelled, 0, {}, {}};

        lock.lock();
        --downloading;
        task->busy = false;
        outbox = this->outbox();
        afterDownload(*task, result, outbox);
        wake.notify_all(); // a slot is free
        idleChanged.notify_all();
        lock.unlock();
        outbox.deliver();
        lock.lock();
    }
}

void Scheduler::State::afterDownload(SchedulerTask& task, const TransferResult& result,
                                     SchedulerOutbox& outbox)
{
    task.progress.bytesPerSecond = 0;
    if (result.ok() && task.record.files.size() >= task.plan.size()) {
        finish(task, TaskState::Done, outbox);
        return;
    }
    switch (task.stop) {
    case TaskStop::Shutdown: // stays running in the history: the next start continues it
        return;
    case TaskStop::Remove:
        for (const std::string& path : task.record.pendingFiles)
            removePartFiles(path);
        return;
    case TaskStop::Cancel:
        for (const std::string& path : task.record.pendingFiles)
            removePartFiles(path);
        finish(task, TaskState::Cancelled, outbox);
        return;
    case TaskStop::Pause:
        task.record.state = TaskState::Paused;
        commit(task, outbox);
        return;
    case TaskStop::None:
        break;
    }
    const std::string path =
        task.record.pendingFiles.empty() ? std::string() : task.record.pendingFiles.front();
    task.record.error = downloadFailedLine(result, path);
    finish(task, TaskState::Failed, outbox);
}

} // namespace quorvane
