#include "sefaz-sim/SimStore.h"

#include "sefaz-sim/SimDFe.h"

#include <sqlite3.h>

#include <array>
#include <filesystem>
#include <stdexcept>

namespace vxn::sim {

namespace {

// One step of the database's layout: its tables, then (when a step must read what earlier steps
// hold) the rows it derives from them.
struct TMigration {
  std::string_view sql;
  void (*fill)(TSimStore&) = nullptr;
};

// The layout of the database, one step per version. A database at version N has had the first N steps
// applied; a new kind of state is a new step at the end (never a change to a step already shipped).
constexpr std::array<TMigration, 3> kMigrations{{
    // 1: what the server remembered in memory before it had a database, and the event registry.
    {R"(
    CREATE TABLE sequences(name TEXT PRIMARY KEY, next INTEGER NOT NULL);
    -- The first authorisation of each access key: its protocol as answered, and the signed NFe.
    CREATE TABLE authorisations(
      chave TEXT PRIMARY KEY, nprot TEXT NOT NULL, dhrecbto TEXT NOT NULL, prot_nfe TEXT NOT NULL,
      nfe TEXT NOT NULL DEFAULT '');
    -- Lots received asynchronously, by receipt, with the protocols of their documents in lot order.
    CREATE TABLE lots(nrec TEXT PRIMARY KEY, cuf TEXT NOT NULL, queries INTEGER NOT NULL DEFAULT 0);
    CREATE TABLE lot_protocols(
      nrec TEXT NOT NULL REFERENCES lots(nrec), position INTEGER NOT NULL, prot_nfe TEXT NOT NULL,
      PRIMARY KEY(nrec, position));
    -- Ranges of numbers invalidated: issuer (14 digits), model, series, first and last number.
    CREATE TABLE invalidations(
      issuer TEXT NOT NULL, model INTEGER NOT NULL, serie INTEGER NOT NULL, first INTEGER NOT NULL,
      last INTEGER NOT NULL);
    -- Events registered (accepted): the signed evento as received and the retEvento answered.
    CREATE TABLE events(
      id TEXT PRIMARY KEY, chave TEXT NOT NULL, tp_evento TEXT NOT NULL, n_seq INTEGER NOT NULL,
      author TEXT NOT NULL, nprot TEXT NOT NULL, dh_reg TEXT NOT NULL, c_stat INTEGER NOT NULL,
      evento TEXT NOT NULL, ret_evento TEXT NOT NULL);
    CREATE INDEX events_by_key ON events(chave, tp_evento, n_seq);
    )"},
    // 2: the feeds of the distribution service, one sequence of numbers (NSU) per interested party,
    // filled with what the authorisations and events already held (SimDFe.h).
    {R"(
    -- What each number of a party's feed stands for: kind 'resNFe', 'procNFe', 'resEvento' or
    -- 'procEventoNFe' of the key (and, for the events, of the event).
    CREATE TABLE dfe_feed(
      party TEXT NOT NULL, nsu INTEGER NOT NULL, kind TEXT NOT NULL, chave TEXT NOT NULL, event_id TEXT,
      PRIMARY KEY(party, nsu));
    CREATE INDEX dfe_feed_by_key ON dfe_feed(party, chave, kind);
    -- Per party: until when it may not ask again (after "nothing found"), and the ultNSU last answered.
    CREATE TABLE dfe_parties(
      party TEXT PRIMARY KEY, blocked_until INTEGER NOT NULL DEFAULT 0, last_ult INTEGER NOT NULL DEFAULT 0);
    )",
     &TSimDFe::Backfill},
    // 3: the declarations of documents issued in contingency (DPEC) the national environment registered:
    // the signed envDPEC and the retDPEC answered, by registration number, and the keys each declared.
    {R"(
    CREATE TABLE dpec(nreg TEXT PRIMARY KEY, dh_reg TEXT NOT NULL, env_dpec TEXT NOT NULL, ret_dpec TEXT NOT NULL);
    CREATE TABLE dpec_keys(chave TEXT PRIMARY KEY, nreg TEXT NOT NULL REFERENCES dpec(nreg));
    )"},
}};

[[noreturn]] void Fail(sqlite3* db, std::string_view what) {
  throw std::runtime_error("sefaz-sim: database: " + std::string(what) + ": " +
                           (db ? sqlite3_errmsg(db) : "out of memory"));
}

void Exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : "unknown error";
    sqlite3_free(error);
    throw std::runtime_error("sefaz-sim: database: " + message);
  }
}

} // namespace

// ---- TSimStatement ---------------------------------------------------------------------------------------

TSimStatement::TSimStatement(sqlite3* db, std::string_view sql) : db_(db) {
  if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK)
    Fail(db, "prepare");
}

TSimStatement::TSimStatement(sqlite3* db, sqlite3_stmt* kept, bool& inUse)
    : db_(db), stmt_(kept), inUse_(&inUse) {
  inUse = true;
}

TSimStatement::~TSimStatement() {
  if (!inUse_) {
    sqlite3_finalize(stmt_);
    return;
  }
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
  *inUse_ = false;
}

TSimStatement& TSimStatement::Bind(const std::vector<TSimValue>& values) {
  sqlite3_reset(stmt_);
  int index = 1;
  for (const TSimValue& v : values) {
    int rc = SQLITE_OK;
    if (const auto* i = std::get_if<std::int64_t>(&v))
      rc = sqlite3_bind_int64(stmt_, index, *i);
    else if (const auto* s = std::get_if<std::string>(&v))
      rc = sqlite3_bind_text(stmt_, index, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
    else
      rc = sqlite3_bind_null(stmt_, index);
    if (rc != SQLITE_OK)
      Fail(db_, "bind");
    ++index;
  }
  return *this;
}

bool TSimStatement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW)
    return true;
  if (rc != SQLITE_DONE)
    Fail(db_, "step");
  return false;
}

void TSimStatement::Run() {
  while (Step()) {
  }
}

std::int64_t TSimStatement::Int(int column) const {
  return sqlite3_column_int64(stmt_, column);
}

std::string TSimStatement::Text(int column) const {
  const auto* text = sqlite3_column_text(stmt_, column);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
              : std::string();
}

bool TSimStatement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

// ---- TSimStore -------------------------------------------------------------------------------------------

TSimStore::TSimStore(const std::string& dataDir) {
  std::string target = ":memory:";
  if (!dataDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(dataDir, ec);
    path_ = (std::filesystem::path(dataDir) / kFileName).string();
    target = path_;
  }
  if (sqlite3_open_v2(target.c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    throw std::runtime_error("sefaz-sim: cannot open the database " + target + ": " + message);
  }
  // Another process on the same folder holds the write lock for a few milliseconds at a time.
  sqlite3_busy_timeout(db_, 15000);
  try {
    if (!path_.empty()) {
      // WAL with NORMAL synchronisation: a commit survives the process being stopped at any point (it
      // is in the log file before the server answers); only a power loss could take the last ones.
      Exec(db_, "PRAGMA journal_mode=WAL");
      Exec(db_, "PRAGMA synchronous=NORMAL");
    }
    Exec(db_, "PRAGMA foreign_keys=ON");
    Migrate();
  } catch (...) {
    sqlite3_close(db_);
    throw;
  }
}

TSimStore::~TSimStore() {
  for (auto& [sql, kept] : kept_)
    sqlite3_finalize(kept.Statement);
  sqlite3_close(db_);
}

void TSimStore::Transaction(const std::function<void(TSimStore&)>& work) {
  std::lock_guard lock(mutex_);
  const bool nested = depth_ > 0;
  auto undo = [&] {
    if (nested) {
      sqlite3_exec(db_, "ROLLBACK TO inner", nullptr, nullptr, nullptr);
      sqlite3_exec(db_, "RELEASE inner", nullptr, nullptr, nullptr);
    } else {
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
  };
  // IMMEDIATE takes the write lock at once, so two processes never both read and then both write. A
  // transaction inside another is a savepoint of it.
  Control(nested ? "SAVEPOINT inner" : "BEGIN IMMEDIATE");
  ++depth_;
  try {
    work(*this);
  } catch (...) {
    --depth_;
    undo();
    throw;
  }
  --depth_;
  try {
    Control(nested ? "RELEASE inner" : "COMMIT");
  } catch (...) {
    undo();
    throw;
  }
}

TSimStatement TSimStore::Prepare(std::string_view sql) {
  // Preparing a statement (parsing and planning its text) cost more than running it: each of a lot's
  // documents ran the same few statements.
  auto [at, added] = kept_.try_emplace(std::string(sql));
  TKept& kept = at->second;
  if (added && sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                  &kept.Statement, nullptr) != SQLITE_OK) {
    kept_.erase(at);
    Fail(db_, "prepare");
  }
  if (kept.InUse)
    return TSimStatement(db_, sql);
  return TSimStatement(db_, kept.Statement, kept.InUse);
}

void TSimStore::Control(std::string_view sql) {
  TSimStatement statement = Prepare(sql);
  try {
    statement.Run();
  } catch (const std::runtime_error&) {
    throw std::runtime_error("sefaz-sim: database: " + std::string(sqlite3_errmsg(db_)));
  }
}

void TSimStore::Execute(std::string_view sql, const std::vector<TSimValue>& values) {
  Prepare(sql).Bind(values).Run();
}

std::int64_t TSimStore::TakeNext(std::string_view sequence, std::int64_t floor, std::int64_t modulus) {
  std::int64_t taken = 0;
  Transaction([&](TSimStore& s) {
    TSimStatement read = s.Prepare("SELECT next FROM sequences WHERE name = ?1");
    const std::int64_t stored = read.Bind({std::string(sequence)}).Step() ? read.Int(0) : 0;
    taken = stored > floor ? stored : floor;
    const std::int64_t next = taken + 1 < modulus ? taken + 1 : 1;
    s.Execute("INSERT INTO sequences(name, next) VALUES(?1, ?2) "
              "ON CONFLICT(name) DO UPDATE SET next = excluded.next",
              {std::string(sequence), next});
  });
  return taken;
}

int TSimStore::SchemaVersion() {
  std::lock_guard lock(mutex_);
  TSimStatement version(db_, "PRAGMA user_version");
  return version.Step() ? static_cast<int>(version.Int(0)) : 0;
}

void TSimStore::Migrate() {
  Transaction([](TSimStore& s) {
    TSimStatement read(s.db_, "PRAGMA user_version");
    const int at = read.Step() ? static_cast<int>(read.Int(0)) : 0;
    for (int step = at; step < static_cast<int>(kMigrations.size()); ++step) {
      const TMigration& m = kMigrations[static_cast<std::size_t>(step)];
      Exec(s.db_, std::string(m.sql));
      if (m.fill)
        m.fill(s);
    }
    if (at < static_cast<int>(kMigrations.size()))
      Exec(s.db_, "PRAGMA user_version = " + std::to_string(kMigrations.size()));
  });
}

} // namespace vxn::sim
