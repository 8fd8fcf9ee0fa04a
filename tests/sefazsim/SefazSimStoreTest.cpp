#include "sefaz-sim/SimDFe.h"
#include "sefaz-sim/SimLots.h"
#include "sefaz-sim/SimStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace vxn {
namespace {

using sim::TSimAuthorisation;
using sim::TSimLots;
using sim::TSimNumberRange;
using sim::TSimStore;

// chave: cUF 35, 2612, issuer 11222333000181, model 55, series 1, number 1002, ...
constexpr const char* kChave = "35261211222333000181550010000010021482139065";

// Everything the server answered is found again by a server started on the same folder.
TEST(SefazSimStore, StateSurvivesARestartOnTheSameFolder) {
  test::TempDir dir;
  std::string receipt;
  {
    TSimStore store(dir.Path());
    EXPECT_EQ(store.Path(), dir.Path() + "sefaz-sim.db");
    TSimLots lots(store);
    ASSERT_TRUE(lots.Authorise(
        kChave, TSimAuthorisation{"235260000000001", "2026-12-05T10:00:00-03:00", "<protNFe/>", "<NFe/>"}));
    receipt = lots.NewReceipt("35");
    lots.Store(receipt, "35", {"<protNFe>a</protNFe>", "<protNFe>b</protNFe>"});
    EXPECT_EQ(lots.Invalidate(TSimNumberRange{"11222333000181", 55, 1, 2000, 2010}), 0);
  }
  TSimStore store(dir.Path());
  TSimLots lots(store);
  const auto authorised = lots.Authorised(kChave);
  ASSERT_TRUE(authorised.has_value());
  EXPECT_EQ(authorised->NProt, "235260000000001");
  EXPECT_EQ(authorised->ProtNFe, "<protNFe/>");
  EXPECT_EQ(authorised->NFe, "<NFe/>");
  EXPECT_FALSE(lots.Authorise(kChave, TSimAuthorisation{"235260000000002", "", "", ""}));
  const TSimLots::TQuery lot = lots.Query(receipt);
  EXPECT_TRUE(lot.Found);
  EXPECT_EQ(lot.Protocols, (std::vector<std::string>{"<protNFe>a</protNFe>", "<protNFe>b</protNFe>"}));
  // The range overlaps the one invalidated before the restart; number 1002 was authorised.
  EXPECT_EQ(lots.Invalidate(TSimNumberRange{"11222333000181", 55, 1, 2005, 2020}), 256);
  EXPECT_EQ(lots.Invalidate(TSimNumberRange{"11222333000181", 55, 1, 1000, 1003}), 241);
  EXPECT_NE(lots.NewReceipt("35"), receipt);
}

// A sequence continues from what it gave, even when the clock it starts from is behind it.
TEST(SefazSimStore, SequencesNeverGoBackAcrossRestarts) {
  test::TempDir dir;
  {
    TSimStore store(dir.Path());
    EXPECT_EQ(store.TakeNext("n", 500, 1000), 500);
    EXPECT_EQ(store.TakeNext("n", 500, 1000), 501);
    EXPECT_EQ(store.TakeNext("n", 5, 1000), 502);
  }
  TSimStore store(dir.Path());
  EXPECT_EQ(store.TakeNext("n", 7, 1000), 503);
  EXPECT_EQ(store.TakeNext("n", 900, 1000), 900);
  EXPECT_EQ(store.TakeNext("wrap", 999, 1000), 999);
  EXPECT_EQ(store.TakeNext("wrap", 0, 1000), 1); // 0 is never handed out
}

// A request that fails half-way leaves nothing of what it wrote.
TEST(SefazSimStore, AFailedTransactionLeavesNothing) {
  test::TempDir dir;
  TSimStore store(dir.Path());
  EXPECT_THROW(store.Transaction([](TSimStore& s) {
    s.Execute("INSERT INTO lots(nrec, cuf) VALUES('351000000000001', '35')");
    throw std::runtime_error("stopped");
  }),
               std::runtime_error);
  TSimLots lots(store);
  EXPECT_FALSE(lots.Query("351000000000001").Found);
  EXPECT_EQ(store.SchemaVersion(), 3);
}

// Statements are kept prepared between uses: one still being read is not taken by the same text used
// inside it, and one used before starts again with none of its earlier values bound.
TEST(SefazSimStore, AKeptStatementServesOneUseAtATime) {
  TSimStore store("");
  for (const char* name : {"a", "b", "c"})
    store.TakeNext(name, 10, 1000);
  std::vector<std::string> outer;
  std::vector<std::string> inner;
  std::vector<std::string> bound;
  std::vector<std::string> unbound;
  store.Transaction([&](TSimStore& s) {
    const char* sql = "SELECT name FROM sequences WHERE ?1 IS NULL OR name = ?1 ORDER BY name";
    {
      sim::TSimStatement all = s.Prepare(sql);
      all.Bind({nullptr});
      while (all.Step() && outer.size() < 10) {
        outer.push_back(all.Text(0));
        sim::TSimStatement one = s.Prepare(sql);
        one.Bind({std::string("b")});
        while (one.Step() && inner.size() < 10)
          inner.push_back(one.Text(0));
      }
    }
    {
      sim::TSimStatement c = s.Prepare(sql);
      c.Bind({std::string("c")});
      while (c.Step() && bound.size() < 10)
        bound.push_back(c.Text(0));
    }
    sim::TSimStatement again = s.Prepare(sql);
    while (again.Step() && unbound.size() < 10) // nothing bound: ?1 is NULL
      unbound.push_back(again.Text(0));
  });
  EXPECT_EQ(outer, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(inner, (std::vector<std::string>{"b", "b", "b"}));
  EXPECT_EQ(bound, (std::vector<std::string>{"c"}));
  EXPECT_EQ(unbound, (std::vector<std::string>{"a", "b", "c"}));
}

// A data folder of a server from before the distribution feeds is brought up to date when a newer server
// opens it: the recipient's summary of a document authorised then, and the issuer's event for it, are in
// the recipient's feed in the order they happened.
TEST(SefazSimStore, AnOlderDatabaseGetsTheFeedsOfWhatItHeld) {
  test::TempDir dir;
  {
    TSimStore store(dir.Path());
    store.Transaction([](TSimStore& s) {
      // The layout of version 1, as an older server left it.
      s.Execute("DROP TABLE dpec_keys");
      s.Execute("DROP TABLE dpec");
      s.Execute("DROP TABLE dfe_feed");
      s.Execute("DROP TABLE dfe_parties");
      s.Execute("PRAGMA user_version = 1");
      s.Execute(
          "INSERT INTO authorisations(chave, nprot, dhrecbto, prot_nfe, nfe) VALUES(?1, '135260000000001', "
          "'2026-12-05T10:00:00-03:00', '<protNFe/>', '<NFe><emit><CNPJ>11222333000181</CNPJ></emit>"
          "<dest><CNPJ>17444555000125</CNPJ></dest></NFe>')",
          {std::string(kChave)});
      s.Execute("INSERT INTO events(id, chave, tp_evento, n_seq, author, nprot, dh_reg, c_stat, evento, "
                "ret_evento) "
                "VALUES('ID110110' || ?1 || '01', ?1, '110110', 1, '11222333000181', '135260000000002', "
                "'2026-12-05T11:00:00-03:00', 135, '<evento/>', '<retEvento/>')",
                {std::string(kChave)});
    });
  }
  TSimStore store(dir.Path());
  EXPECT_EQ(store.SchemaVersion(), 3);
  const std::vector<sim::TSimDFeEntry> feed = sim::TSimDFe(store).Entries("17444555000125", 0, 50);
  ASSERT_EQ(feed.size(), 2u);
  EXPECT_EQ(feed[0].Nsu, 1);
  EXPECT_EQ(feed[0].Kind, "resNFe");
  EXPECT_EQ(feed[1].Kind, "resEvento");
  EXPECT_EQ(feed[1].EventId, "ID110110" + std::string(kChave) + "01");
  // The issuer hears of nothing it sent itself.
  EXPECT_TRUE(sim::TSimDFe(store).Entries("11222333000181", 0, 50).empty());
}

// Two processes on one data folder (two runs of the tool at once) share the sequences without giving a
// number twice.
TEST(SefazSimStore, TwoConnectionsOnOneFolderShareTheSequences) {
  test::TempDir dir;
  TSimStore first(dir.Path());
  TSimStore second(dir.Path());
  std::vector<std::int64_t> a, b;
  std::thread ta([&] {
    for (int i = 0; i < 50; ++i)
      a.push_back(first.TakeNext("n", 1, 1'000'000));
  });
  std::thread tb([&] {
    for (int i = 0; i < 50; ++i)
      b.push_back(second.TakeNext("n", 1, 1'000'000));
  });
  ta.join();
  tb.join();
  std::set<std::int64_t> all(a.begin(), a.end());
  all.insert(b.begin(), b.end());
  EXPECT_EQ(all.size(), 100u);
}

} // namespace
} // namespace vxn
