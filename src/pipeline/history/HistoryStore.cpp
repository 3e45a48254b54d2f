#include "pipeline/history/HistoryStore.h"

#include "base/ConfigPaths.h"
#include "base/ErrnoReason.h"
#include "base/PrivateFile.h"
#include "base/platform/Paths.h"
#include "base/platform/PosixFile.h"
#include "base/platform/PrivateAccess.h"
#include "pipeline/history/SqliteDatabase.h"

#include <chrono>
#include <cstring>
#include <system_error>

namespace quorvane {

namespace {

// Long enough for the other program's longest transaction (a few records), short enough that a stuck
// writer shows as an error rather than a hang.
constexpr int busyTimeoutMilliseconds = 15000;

// Version 1 had no author, no cover and no files in progress; version 2 adds them. A new file is made as
// version 2 and then takes the later steps, as an older file does.
constexpr const char* createVersion2 = R"(
CREATE TABLE IF NOT EXISTS tasks (
    key INTEGER PRIMARY KEY AUTOINCREMENT,
    post_id TEXT NOT NULL DEFAULT '',
    link TEXT NOT NULL DEFAULT '',
    title TEXT NOT NULL DEFAULT '',
    author TEXT NOT NULL DEFAULT '',
    cover TEXT NOT NULL DEFAULT '',
    state TEXT NOT NULL,
    error TEXT NOT NULL DEFAULT '',
    added INTEGER NOT NULL,
    finished INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS files (
    task INTEGER NOT NULL REFERENCES tasks(key) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    path TEXT NOT NULL,
    size INTEGER NOT NULL,
    pending INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (task, position));
CREATE INDEX IF NOT EXISTS tasks_by_post ON tasks(post_id, state);
CREATE INDEX IF NOT EXISTS tasks_by_state ON tasks(state);
PRAGMA user_version = 2;
)";

constexpr const char* migrate1To2 = R"(
ALTER TABLE tasks ADD COLUMN author TEXT NOT NULL DEFAULT '';
ALTER TABLE tasks ADD COLUMN cover TEXT NOT NULL DEFAULT '';
ALTER TABLE files ADD COLUMN pending INTEGER NOT NULL DEFAULT 0;
PRAGMA user_version = 2;
)";

// Version 3: the list a record's post came from (its kind, id and name) and the post's place in it. One
// step of its own, so that other additions of the same version join it.
bool addListColumns(SqliteDatabase& db)
{
    return db.exec(R"(
ALTER TABLE tasks ADD COLUMN list_kind TEXT NOT NULL DEFAULT '';
ALTER TABLE tasks ADD COLUMN list_id TEXT NOT NULL DEFAULT '';
ALTER TABLE tasks ADD COLUMN list_name TEXT NOT NULL DEFAULT '';
ALTER TABLE tasks ADD COLUMN list_index INTEGER NOT NULL DEFAULT 0;
)");
}

// Version 3 too: what a record is (a post's files, or a live room's recording) and how long a recording
// ran.
bool addKindColumns(SqliteDatabase& db)
{
    return db.exec(R"(
ALTER TABLE tasks ADD COLUMN kind TEXT NOT NULL DEFAULT 'post';
ALTER TABLE tasks ADD COLUMN duration INTEGER NOT NULL DEFAULT 0;
)");
}

// Version 3 adds the followed lists and live rooms (SubscriptionStore). One step of its own, so that
// other additions of the same version join it.
bool addSubscriptionsTable(SqliteDatabase& db)
{
    return db.exec(R"(
CREATE TABLE IF NOT EXISTS subscriptions (
    key INTEGER PRIMARY KEY AUTOINCREMENT,
    kind TEXT NOT NULL,
    id TEXT NOT NULL,
    link TEXT NOT NULL DEFAULT '',
    name TEXT NOT NULL DEFAULT '',
    added INTEGER NOT NULL,
    last_checked INTEGER NOT NULL DEFAULT 0,
    last_error TEXT NOT NULL DEFAULT '',
    UNIQUE (kind, id));
)");
}

bool migrate2To3(SqliteDatabase& db)
{
    return addListColumns(db) && addKindColumns(db) && addSubscriptionsTable(db) &&
           db.exec("PRAGMA user_version = 3");
}

constexpr const char* columns =
    "SELECT key, post_id, link, title, author, cover, state, error, added, finished, "
    "list_kind, list_id, list_name, list_index, kind, duration FROM tasks ";

std::int64_t now()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::filesystem::path companion(const std::filesystem::path& path, const char* suffix)
{
    std::filesystem::path file = path;
    file += suffix;
    return file;
}

// The file exists and is the user's alone before SQLite opens it. SQLite on Linux gives its -wal and -shm
// files the same permission bits; on Windows they would take the folder's access (the settings folder,
// not a private one), so they are made the user's alone here too, before SQLite writes into them (it
// takes existing files as they are; an empty log or index is an empty one).
bool makePrivateFile(const std::filesystem::path& path, std::string& error)
{
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const int fd = openPrivateFile(companion(path, suffix), O_RDWR | O_CREAT | O_CLOEXEC);
        if (fd < 0 && *suffix == '\0') {
            error = describeErrno("open", errno);
            return false;
        }
        if (fd >= 0)
            ::close(fd);
    }
    return true;
}

enum class Opening
{
    Opened,
    Damaged,
    Failed
};

// Opens the file, checks it and brings its schema up to date.
Opening openChecked(const std::filesystem::path& path, std::unique_ptr<SqliteDatabase>& db,
                    std::string& reason)
{
    if (!makePrivateFile(path, reason))
        return Opening::Failed;
    db = SqliteDatabase::open(path, reason);
    if (!db)
        return Opening::Failed;
    db->setBusyTimeout(busyTimeoutMilliseconds);
    const auto failed = [&] {
        reason = db->message();
        return db->damaged() ? Opening::Damaged : Opening::Failed;
    };
    // The first read of the file: a file that is not a database fails here.
    if (db->scalarText("PRAGMA journal_mode = WAL") != "wal")
        return failed();
    const std::string check = db->scalarText("PRAGMA quick_check");
    if (check.empty() && db->error() != 0)
        return failed();
    if (check != "ok") {
        reason = check;
        return Opening::Damaged;
    }
    // In WAL mode this is safe against power loss; only the last transactions may be lost.
    db->exec("PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON");
    SqliteTransaction transaction(*db);
    if (!transaction.begun())
        return failed();
    // Read inside the transaction: two programs starting together create or migrate it once.
    const std::string version = db->scalarText("PRAGMA user_version");
    bool ready = true;
    if (version == "0")
        ready = db->exec(createVersion2) && migrate2To3(*db);
    else if (version == "1")
        ready = db->exec(migrate1To2) && migrate2To3(*db);
    else if (version == "2")
        ready = migrate2To3(*db);
    // A newer schema keeps the columns this one knows: it is used as it is.
    if (!ready || !transaction.commit())
        return failed();
    // Made anew by SQLite when another program closed the last connection just before ours opened.
    narrowToUser(companion(path, "-wal"));
    narrowToUser(companion(path, "-shm"));
    return Opening::Opened;
}

// Moves a damaged file (and its write-ahead log) aside under a name of its own.
std::filesystem::path setAside(const std::filesystem::path& path)
{
    std::filesystem::path aside = path;
    aside += ".damaged-" + std::to_string(now());
    for (int n = 1; std::filesystem::exists(aside); ++n)
        aside.replace_filename(path.filename().string() + ".damaged-" + std::to_string(now()) + "-" +
                               std::to_string(n));
    std::error_code ignored;
    std::filesystem::rename(path, aside, ignored);
    std::filesystem::path wal = path, walAside = aside;
    wal += "-wal";
    walAside += "-wal";
    // An empty log (made before the file was found damaged) holds nothing to keep.
    if (std::filesystem::file_size(wal, ignored) == 0)
        std::filesystem::remove(wal, ignored);
    else if (std::filesystem::exists(wal, ignored))
        std::filesystem::rename(wal, walAside, ignored);
    std::filesystem::path shm = path;
    shm += "-shm"; // an index of the log, rebuilt from it
    std::filesystem::remove(shm, ignored);
    return aside;
}

} // namespace

std::filesystem::path HistoryStore::defaultPath()
{
    return ConfigPaths::historyFile();
}

std::unique_ptr<HistoryStore> HistoryStore::open(const std::filesystem::path& path, std::string* notice)
{
    if (notice)
        notice->clear();
    // The folder, when it has to be made, is the user's alone like the file.
    if (path.has_parent_path())
        createPrivateFolders(path.parent_path());
    std::unique_ptr<SqliteDatabase> db;
    std::string reason;
    Opening opening = openChecked(path, db, reason);
    if (opening == Opening::Damaged) {
        db.reset();
        const std::filesystem::path aside = setAside(path);
        if (notice)
            *notice = "历史记录文件已损坏（" + reason + "），已改名为 " + utf8FromPath(aside) +
                      " 留存，并新建了历史记录";
        opening = openChecked(path, db, reason);
    }
    if (opening != Opening::Opened) {
        if (notice)
            *notice = "无法打开历史记录 " + utf8FromPath(path) + "：" + reason;
        return nullptr;
    }
    return std::unique_ptr<HistoryStore>(new HistoryStore(path, std::move(db)));
}

HistoryStore::HistoryStore(std::filesystem::path path, std::unique_ptr<SqliteDatabase> database)
    : m_path(std::move(path)), m_db(std::move(database))
{}

HistoryStore::~HistoryStore() = default;

bool HistoryStore::writeFiles(const HistoryRecord& record)
{
    SqliteStatement clear = m_db->prepare("DELETE FROM files WHERE task = ?");
    if (!clear.bind(1, record.key).run())
        return false;
    SqliteStatement insert =
        m_db->prepare("INSERT INTO files (task, position, path, size, pending) VALUES (?,?,?,?,?)");
    const std::size_t saved = record.files.size();
    for (std::size_t i = 0; i < saved + record.pendingFiles.size(); ++i) {
        insert.reset();
        insert.bind(1, record.key).bind(2, static_cast<std::int64_t>(i));
        if (i < saved)
            insert.bind(3, record.files[i].path).bind(4, record.files[i].size).bind(5, std::int64_t(0));
        else
            insert.bind(3, record.pendingFiles[i - saved]).bind(4, std::int64_t(0)).bind(5, std::int64_t(1));
        if (!insert.run())
            return false;
    }
    return true;
}

std::int64_t HistoryStore::add(const HistoryRecord& given,
                               const std::function<void(std::int64_t key)>& beforeVisible)
{
    std::lock_guard lock(m_mutex);
    HistoryRecord record = given;
    if (record.added == 0)
        record.added = now();
    SqliteTransaction transaction(*m_db);
    SqliteStatement insert = m_db->prepare(
        "INSERT INTO tasks (post_id, link, title, author, cover, state, error, added, finished, list_kind, "
        "list_id, list_name, list_index, kind, duration) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    insert.bind(1, record.postId).bind(2, record.link).bind(3, record.title).bind(4, record.author);
    insert.bind(5, record.coverUrl).bind(6, stateName(record.state)).bind(7, record.error);
    insert.bind(8, record.added).bind(9, record.finished).bind(10, record.listKind).bind(11, record.listId);
    insert.bind(12, record.listName).bind(13, record.listIndex);
    insert.bind(14, std::string(record.live ? "live" : "post")).bind(15, record.durationSeconds);
    if (!transaction.begun() || !insert.run()) {
        m_lastError = m_db->message();
        return 0;
    }
    record.key = m_db->lastInsertRowId();
    if (beforeVisible)
        beforeVisible(record.key);
    if (!writeFiles(record) || !transaction.commit()) {
        m_lastError = m_db->message();
        return 0;
    }
    return record.key;
}

bool HistoryStore::update(const HistoryRecord& record)
{
    std::lock_guard lock(m_mutex);
    SqliteTransaction transaction(*m_db);
    SqliteStatement change = m_db->prepare(
        "UPDATE tasks SET post_id = ?, link = ?, title = ?, author = ?, cover = ?, state = ?, error = ?, "
        "added = ?, finished = ?, list_kind = ?, list_id = ?, list_name = ?, list_index = ?, kind = ?, "
        "duration = ? "
        "WHERE key = ?");
    change.bind(1, record.postId).bind(2, record.link).bind(3, record.title).bind(4, record.author);
    change.bind(5, record.coverUrl).bind(6, stateName(record.state)).bind(7, record.error);
    change.bind(8, record.added).bind(9, record.finished).bind(10, record.listKind).bind(11, record.listId);
    change.bind(12, record.listName).bind(13, record.listIndex);
    change.bind(14, std::string(record.live ? "live" : "post")).bind(15, record.durationSeconds);
    change.bind(16, record.key);
    if (!transaction.begun() || !change.run()) {
        m_lastError = m_db->message();
        return false;
    }
    if (m_db->changes() == 0) {
        m_lastError = "no record " + std::to_string(record.key);
        return false;
    }
    if (!writeFiles(record) || !transaction.commit()) {
        m_lastError = m_db->message();
        return false;
    }
    return true;
}

std::vector<HistoryRecord> HistoryStore::query(const char* sql, std::int64_t a, std::int64_t b) const
{
    std::vector<HistoryRecord> records;
    // One read transaction: the records and their files from the same moment.
    if (!m_db->exec("BEGIN")) {
        m_lastError = m_db->message();
        return records;
    }
    SqliteStatement select = m_db->prepare(sql);
    select.bind(1, a).bind(2, b);
    SqliteStatement::Step step;
    while ((step = select.step()) == SqliteStatement::Step::Row) {
        HistoryRecord record;
        record.key = select.int64(0);
        record.postId = select.text(1);
        record.link = select.text(2);
        record.title = select.text(3);
        record.author = select.text(4);
        record.coverUrl = select.text(5);
        // A state this build does not know (a newer program's) reads as failed, with nothing lost.
        record.state = stateFromName(select.text(6)).value_or(TaskState::Failed);
        record.error = select.text(7);
        record.added = select.int64(8);
        record.finished = select.int64(9);
        record.listKind = select.text(10);
        record.listId = select.text(11);
        record.listName = select.text(12);
        record.listIndex = select.int64(13);
        record.live = select.text(14) == "live";
        record.durationSeconds = select.int64(15);
        records.push_back(std::move(record));
    }
    if (step == SqliteStatement::Step::Failed)
        m_lastError = m_db->message();
    SqliteStatement files =
        m_db->prepare("SELECT path, size, pending FROM files WHERE task = ? ORDER BY position");
    for (HistoryRecord& record : records) {
        files.reset();
        files.bind(1, record.key);
        while (files.step() == SqliteStatement::Step::Row) {
            if (files.int64(2) != 0)
                record.pendingFiles.push_back(files.text(0));
            else
                record.files.push_back({files.text(0), files.int64(1)});
        }
    }
    m_db->exec("COMMIT");
    return records;
}

std::optional<HistoryRecord> HistoryStore::find(std::int64_t key) const
{
    std::lock_guard lock(m_mutex);
    auto records = query((std::string(columns) + "WHERE key = ?1 AND ?2 = 0").c_str(), key, 0);
    return records.empty() ? std::nullopt : std::optional(std::move(records.front()));
}

std::optional<HistoryRecord> HistoryStore::findDone(const std::string& postId) const
{
    std::lock_guard lock(m_mutex);
    if (postId.empty())
        return std::nullopt;
    std::vector<HistoryRecord> records;
    if (!m_db->exec("BEGIN"))
        return std::nullopt;
    SqliteStatement select =
        m_db->prepare("SELECT key FROM tasks WHERE post_id = ? AND state = 'done' ORDER BY key DESC LIMIT 1");
    const bool found = select.bind(1, postId).step() == SqliteStatement::Step::Row;
    const std::int64_t key = found ? select.int64(0) : 0;
    m_db->exec("COMMIT");
    if (!found)
        return std::nullopt;
    records = query((std::string(columns) + "WHERE key = ?1 AND ?2 = 0").c_str(), key, 0);
    return records.empty() ? std::nullopt : std::optional(std::move(records.front()));
}

std::vector<HistoryRecord> HistoryStore::recent(std::size_t limit, std::int64_t before) const
{
    std::lock_guard lock(m_mutex);
    return query((std::string(columns) + "WHERE key < ?2 ORDER BY key DESC LIMIT ?1").c_str(),
                 static_cast<std::int64_t>(std::min<std::size_t>(limit, INT64_MAX)), before);
}

std::size_t HistoryStore::count() const
{
    std::lock_guard lock(m_mutex);
    const std::string text = m_db->scalarText("SELECT count(*) FROM tasks");
    return text.empty() ? 0 : std::stoull(text);
}

std::vector<HistoryRecord> HistoryStore::unfinished() const
{
    std::lock_guard lock(m_mutex);
    return query(
        (std::string(columns) + "WHERE state IN ('queued', 'running', 'paused') AND ?1 = ?2 ORDER BY key")
            .c_str(),
        0, 0);
}

bool HistoryStore::remove(std::int64_t key)
{
    std::lock_guard lock(m_mutex);
    SqliteTransaction transaction(*m_db);
    SqliteStatement files = m_db->prepare("DELETE FROM files WHERE task = ?");
    SqliteStatement task = m_db->prepare("DELETE FROM tasks WHERE key = ?");
    if (!transaction.begun() || !files.bind(1, key).run() || !task.bind(1, key).run() ||
        !transaction.commit()) {
        m_lastError = m_db->message();
        return false;
    }
    return true;
}

bool HistoryStore::clear()
{
    std::lock_guard lock(m_mutex);
    SqliteTransaction transaction(*m_db);
    if (!transaction.begun() || !m_db->exec("DELETE FROM files; DELETE FROM tasks") ||
        !transaction.commit()) {
        m_lastError = m_db->message();
        return false;
    }
    return true;
}

bool HistoryStore::clearFinished(const std::vector<std::int64_t>& keep)
{
    std::string finished = "state IN ('done', 'failed', 'cancelled')";
    if (!keep.empty()) {
        finished += " AND key NOT IN (";
        for (std::size_t i = 0; i < keep.size(); ++i)
            finished += (i ? "," : "") + std::to_string(keep[i]);
        finished += ')';
    }
    std::lock_guard lock(m_mutex);
    SqliteTransaction transaction(*m_db);
    if (!transaction.begun() ||
        !m_db->exec(("DELETE FROM files WHERE task IN (SELECT key FROM tasks WHERE " + finished +
                     "); DELETE FROM tasks WHERE " + finished)
                        .c_str()) ||
        !transaction.commit()) {
        m_lastError = m_db->message();
        return false;
    }
    return true;
}

bool HistoryStore::withDatabase(const std::function<bool(SqliteDatabase&)>& work)
{
    std::lock_guard lock(m_mutex);
    if (work(*m_db))
        return true;
    m_lastError = m_db->message();
    return false;
}

std::string HistoryStore::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

} // namespace quorvane
