#include "datasets/vxnDataSet.h"
#include "vxnNFeException.h"

#include "support/RefusalOf.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

std::unique_ptr<TvxnField> MakeField(const std::string& name, std::size_t size = 0) {
  auto field = std::make_unique<TvxnField>();
  field->SetFieldName(name);
  field->SetSize(size);
  return field;
}

class DataSetTest : public ::testing::Test {
protected:
  void SetUp() override {
    table.SetLogDir(logDir.Path());
    a = &table.AddField(MakeField("a"));
    b = &table.AddField(MakeField("b", 5));
    table.CreateDataSet();
  }
  void AddRow(const std::string& va) {
    table.Append();
    a->SetAsString(va);
    table.Post();
  }
  std::vector<std::string> Column(TvxnDataSet& t, TvxnField& f) {
    std::vector<std::string> values;
    for (t.First(); !t.Eof(); t.Next())
      values.push_back(f.AsString());
    return values;
  }

  test::TempDir logDir;
  TvxnDataSet table{"T"};
  TvxnField* a = nullptr;
  TvxnField* b = nullptr;
};

TEST_F(DataSetTest, RecordLifecycleAndNavigation) {
  EXPECT_EQ(table.State(), dsBrowse);
  EXPECT_TRUE(table.Eof());
  EXPECT_EQ(table.RecordCount(), 0u);

  table.Append();
  EXPECT_EQ(table.State(), dsInsert);
  EXPECT_TRUE(a->IsNull());
  a->SetAsString("1");
  table.Post();
  EXPECT_EQ(table.State(), dsBrowse);
  EXPECT_EQ(table.RecordCount(), 1u);

  table.Append();
  a->SetAsString("discarded");
  table.Cancel();
  EXPECT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(a->AsString(), "1"); // back on the record that was current

  table.Edit();
  EXPECT_EQ(table.State(), dsEdit);
  a->SetAsString("x");
  table.Cancel();
  EXPECT_EQ(a->AsString(), "1");
  table.Edit();
  a->SetAsString("x");
  table.Post();
  AddRow("y");
  AddRow("z");
  EXPECT_EQ(Column(table, *a), (std::vector<std::string>{"x", "y", "z"}));

  table.EmptyDataSet();
  EXPECT_EQ(table.RecordCount(), 0u);
  EXPECT_TRUE(table.Eof());
  table.Close();
  EXPECT_EQ(table.State(), dsInactive);
  EXPECT_THROW(table.Append(), EvxnNfeDataSetStateException);
  table.Open();
  EXPECT_EQ(table.State(), dsBrowse);
}

TEST_F(DataSetTest, AssignmentNeedsEditOrInsertAndCutsByCharacters) {
  AddRow("1");
  EXPECT_THROW(a->SetAsString("2"), EvxnNfeDataSetStateException);
  EXPECT_EQ(a->AsString(), "1");

  table.Edit();
  b->SetAsString("ãéíõú€x"); // 7 characters, 15 bytes, size 5
  EXPECT_EQ(b->AsString(), "ãéíõú");
  b->SetAsString("");
  EXPECT_TRUE(b->IsNull());
}

TEST_F(DataSetTest, AppendPostsAChangedRecordAndDropsAnUnchangedOne) {
  table.Append();
  a->SetAsString("kept");
  table.Append(); // posts "kept"
  table.Append(); // the untouched record is dropped
  table.Cancel();
  EXPECT_EQ(Column(table, *a), (std::vector<std::string>{"kept"}));
}

TEST_F(DataSetTest, FieldLookupIgnoresCaseAndKeepsTheFirstOfTwoNames) {
  TvxnDataSet t("dup");
  TvxnField& first = t.AddField(MakeField("Campo"));
  t.AddField(MakeField("CAMPO"));
  EXPECT_EQ(t.FindField("campo"), &first);
  EXPECT_EQ(&t.FieldByName("cAmPo"), &first);
  EXPECT_EQ(t.FindField("other"), nullptr);
  EXPECT_EQ(RefusalOf([&] { t.FieldByName("other"); }),
            (Refusal{"EvxnDataSetFieldNotFoundException", "dup: Campo other não encontrado"}));
}

TEST_F(DataSetTest, CallbacksRunInOrderAndAFailedPostKeepsTheRecord) {
  std::vector<std::string> calls;
  bool refuse = true;
  table.SetBeforeInsert([&](TvxnDataSet&) { calls.push_back("before insert"); });
  table.SetAfterInsert([&](TvxnDataSet&) {
    calls.push_back("after insert");
    b->SetAsString("init"); // the new record can be written here
  });
  table.SetBeforePost([&](TvxnDataSet&) {
    calls.push_back("before post");
    if (refuse)
      throw EvxnDataSetException("recusado", logDir.Path());
  });
  table.Append();
  a->SetAsString("v");
  EXPECT_THROW(table.Post(), EvxnDataSetException);
  EXPECT_EQ(table.State(), dsInsert);
  EXPECT_EQ(a->AsString(), "v");
  EXPECT_EQ(b->AsString(), "init");
  EXPECT_EQ(table.RecordCount(), 0u);
  refuse = false;
  table.Post();
  EXPECT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(calls, (std::vector<std::string>{"before insert", "after insert", "before post", "before post"}));
}

TEST_F(DataSetTest, ValueChangeCallbackSeesTheValueAndAFailureRestoresThePreviousOne) {
  std::string seen;
  a->SetOnChange([&](TvxnField& f) {
    seen = f.AsString();
    if (seen == "bad")
      throw EvxnDataSetException("valor recusado", logDir.Path());
  });
  table.Append();
  a->SetAsString("good");
  EXPECT_EQ(seen, "good");
  EXPECT_THROW(a->SetAsString("bad"), EvxnDataSetException);
  EXPECT_EQ(a->AsString(), "good");
}

// Three levels, as items, their groups and the groups' own repeated records: M -> D -> DD.
class DataSetThreeLevelsTest : public ::testing::Test {
protected:
  void SetUp() override {
    mHandle = &m.AddField(MakeField("handle"));
    dHandle = &d.AddField(MakeField("handle"));
    dKey = &d.AddField(MakeField("key"));
    dV = &d.AddField(MakeField("v"));
    ddKey = &dd.AddField(MakeField("key"));
    ddV = &dd.AddField(MakeField("v"));
    for (TvxnDataSet* t : {&m, &d, &dd})
      t->CreateDataSet();
    d.SetMasterLink(m.DataSource(), "key", "handle");
    dd.SetMasterLink(d.DataSource(), "key", "handle");
    // m 1: d 10 (dd x, y), d 11 (dd z); m 2: d 20 (dd w)
    AddM("1");
    AddD("10", "a");
    AddDD("x");
    AddDD("y");
    AddD("11", "b");
    AddDD("z");
    AddM("2");
    AddD("20", "c");
    AddDD("w");
  }
  void AddM(const char* h) {
    m.Append();
    mHandle->SetAsString(h);
    m.Post();
  }
  void AddD(const char* h, const char* v) {
    d.Append();
    dHandle->SetAsString(h);
    dKey->SetAsString(mHandle->AsString());
    dV->SetAsString(v);
    d.Post();
  }
  void AddDD(const char* v) {
    dd.Append();
    ddKey->SetAsString(dHandle->AsString());
    ddV->SetAsString(v);
    dd.Post();
  }
  std::string Column(TvxnDataSet& t, TvxnField& f) {
    std::string out;
    for (t.First(); !t.Eof(); t.Next())
      out += f.AsString();
    return out;
  }

  TvxnDataSet m{"M"}, d{"D"}, dd{"DD"};
  TvxnField *mHandle, *dHandle, *dKey, *dV, *ddKey, *ddV;
};

TEST_F(DataSetThreeLevelsTest, MovingTheMasterMovesEveryLevelBelowToItsFirstRecord) {
  m.First();
  EXPECT_EQ(dV->AsString(), "a");
  EXPECT_EQ(ddV->AsString(), "x");
  EXPECT_FALSE(dd.Eof());
  d.Next();
  EXPECT_EQ(ddV->AsString(), "z");
  m.Next();
  EXPECT_EQ(ddV->AsString(), "w");
  EXPECT_EQ(dV->AsString(), "c");
  m.First();
  EXPECT_EQ(Column(dd, *ddV), "xy");
  EXPECT_EQ(Column(d, *dV), "ab");
  EXPECT_EQ(dd.RecordCount(), 1u); // d is on its last record now: 11
  EXPECT_EQ(ddV->AsString(), "z");
  // Emptying the middle level leaves the lowest one with nothing under it.
  d.EmptyDataSet();
  EXPECT_TRUE(d.Eof());
  EXPECT_TRUE(dd.Eof());
  EXPECT_EQ(ddV->AsString(), "");
  EXPECT_EQ(dd.RecordCount(), 0u);
}

TEST_F(DataSetThreeLevelsTest, AChangedMasterKeyIsFollowedAtEveryLevel) {
  m.First();
  m.Edit();
  mHandle->SetAsString("2");
  EXPECT_EQ(dV->AsString(), "c");
  EXPECT_EQ(ddV->AsString(), "w");
  m.Cancel();
  EXPECT_EQ(dV->AsString(), "a");
  EXPECT_EQ(ddV->AsString(), "x");
}

TEST_F(DataSetThreeLevelsTest, ALevelBeingEditedKeepsItsRecordWhenItsMasterMoves) {
  m.First();
  d.Edit(); // d on 10 ("a")
  dV->SetAsString("a2");
  m.Next();
  EXPECT_EQ(d.State(), dsEdit);
  EXPECT_EQ(dV->AsString(), "a2");
  // d did not move, so neither did dd.
  EXPECT_EQ(ddV->AsString(), "x");
  d.Post();
  // Stored in place; the record belongs to m 1, so under m 2 it is not shown.
  EXPECT_EQ(dV->AsString(), "");
  EXPECT_FALSE(d.Eof());
  m.First();
  EXPECT_EQ(Column(d, *dV), "a2b");
}

TEST_F(DataSetThreeLevelsTest, ALowerLevelBeingInsertedKeepsItsRecordWhenTheTopMoves) {
  m.First(); // d on 10, dd on x
  dd.Append();
  ddKey->SetAsString(dHandle->AsString());
  ddV->SetAsString("v");
  m.Next(); // d moves to 20; dd, being inserted, stays where it is
  EXPECT_EQ(dd.State(), dsInsert);
  EXPECT_EQ(ddV->AsString(), "v");
  dd.Post();
  // The new record hangs from d 10, which is no longer d's current record.
  EXPECT_EQ(dV->AsString(), "c");
  EXPECT_EQ(ddV->AsString(), "");
  EXPECT_FALSE(dd.Eof());
  dd.First();
  EXPECT_EQ(ddV->AsString(), "w");
  m.First();
  EXPECT_EQ(Column(dd, *ddV), "xyv");
}

TEST_F(DataSetThreeLevelsTest, CancellingAnInsertAtTheTopReturnsEveryLevelToItsRecords) {
  m.First();
  d.Next();   // d on 11, dd on z
  m.Append(); // a new master has no details
  EXPECT_TRUE(d.Eof());
  EXPECT_TRUE(dd.Eof());
  m.Cancel(); // back on m 1: the details go to their first records
  EXPECT_EQ(dV->AsString(), "a");
  EXPECT_EQ(ddV->AsString(), "x");
}

TEST_F(DataSetThreeLevelsTest, UnlinkingShowsEveryRecordFromWhereTheDetailStood) {
  m.Next();
  EXPECT_EQ(m.RecordCount(), 2u);
  EXPECT_EQ(ddV->AsString(), "w");
  dd.ClearMasterLink();
  EXPECT_EQ(ddV->AsString(), "w");
  EXPECT_EQ(Column(dd, *ddV), "xyzw");
  d.ClearMasterLink();
  EXPECT_EQ(Column(d, *dV), "abc");
}

} // namespace
} // namespace vxn
