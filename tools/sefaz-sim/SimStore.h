// The local server's memory: one SQLite database that holds everything the server answered and must
// remember (number sequences, authorised documents and their protocols, lots by receipt, invalidated
// ranges, events). In a data folder it is the file "sefaz-sim.db", so that the state survives a restart;
// without one it lives in memory for the life of the server.
//
// Every change runs inside one transaction (Transaction), committed before the server answers: a server
// stopped in the middle of a request loses nothing it answered. The database is opened in WAL mode, so
// that two processes sharing a data folder (two runs of the command-line tool at once) wait for each
// other instead of failing.
//
// The tables are created by numbered migration steps (SimStore.cpp). A later kind of state, such as the
// per-taxpayer feed of the document distribution service, is one more step that adds its tables; the
// steps already applied to a database are never run again.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vxn::sim {

// A value bound to or read from a statement.
using TSimValue = std::variant<std::nullptr_t, std::int64_t, std::string>;

// One prepared statement, bound and stepped inside a transaction.
class TSimStatement {
public:
  TSimStatement(sqlite3* db, std::string_view sql);
  // A statement its store keeps prepared (`inUse` set while this lends it): reset and its values
  // cleared when this ends, for the next use.
  TSimStatement(sqlite3* db, sqlite3_stmt* kept, bool& inUse);
  ~TSimStatement();
  TSimStatement(const TSimStatement&) = delete;
  TSimStatement& operator=(const TSimStatement&) = delete;

  // Binds the values to the parameters ?1, ?2, ... in order.
  TSimStatement& Bind(const std::vector<TSimValue>& values);
  // Steps once: true when a row is ready to be read.
  bool Step();
  // Runs the statement to its end.
  void Run();
  std::int64_t Int(int column) const;
  std::string Text(int column) const;
  bool IsNull(int column) const;

private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  bool* inUse_ = nullptr; // a kept statement's flag; null for one of its own
};

class TSimStore {
public:
  // The file name of the database inside a data folder.
  static constexpr std::string_view kFileName = "sefaz-sim.db";

  // `dataDir` empty: a database in memory. Otherwise the folder (created when missing) that holds the
  // database file. Throws std::runtime_error when the database cannot be opened or brought to the
  // current layout.
  explicit TSimStore(const std::string& dataDir);
  ~TSimStore();
  TSimStore(const TSimStore&) = delete;
  TSimStore& operator=(const TSimStore&) = delete;

  // The database file; "" in memory.
  const std::string& Path() const { return path_; }

  // Runs `work` in one write transaction: committed when it returns, rolled back when it throws (the
  // exception goes on). Transactions of one store run one at a time. A transaction begun inside
  // another (on the same thread) is part of it: its changes are committed with the outer one, and when
  // it throws only its own changes are undone before the exception goes on.
  void Transaction(const std::function<void(TSimStore&)>& work);

  // Inside a transaction: a statement of this store's connection. The statement of each text is
  // prepared once and kept for the next time (a text already in use, by a statement still alive, gets
  // one of its own).
  TSimStatement Prepare(std::string_view sql);
  // Inside a transaction: one statement without a result.
  void Execute(std::string_view sql, const std::vector<TSimValue>& values = {});

  // The next number of a named sequence, at least `floor` (a sequence that starts from the clock never
  // goes back behind what it gave before a restart); the sequence moves on by one and wraps to 1 at
  // `modulus`.
  std::int64_t TakeNext(std::string_view sequence, std::int64_t floor, std::int64_t modulus);

  // The layout version the database is at (the number of migration steps applied).
  int SchemaVersion();

private:
  struct TKept {
    sqlite3_stmt* Statement = nullptr;
    bool InUse = false;
  };

  void Migrate();
  // Runs one of the statements that begin and end a transaction, kept prepared.
  void Control(std::string_view sql);

  std::string path_;
  sqlite3* db_ = nullptr;
  std::recursive_mutex mutex_;
  int depth_ = 0; // transactions open on the thread that holds mutex_
  // The statements prepared, by their text (used under mutex_).
  std::unordered_map<std::string, TKept> kept_;
};

} // namespace vxn::sim
