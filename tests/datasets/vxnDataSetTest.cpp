#include "datasets/vxnDataSet.h"
#include "vxnNFeException.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vxn {
namespace {

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
  try {
    t.FieldByName("other");
    FAIL() << "no exception";
  } catch (const EvxnDataSetFieldNotFoundException& e) {
    EXPECT_EQ(e.Message(), "dup: Campo other não encontrado");
  }
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

TEST(DataSetMasterDetailTest, DetailShowsOnlyTheRecordsOfTheMastersCurrentRecord) {
  TvxnDataSet master("M"), detail("D");
  TvxnField& handle = master.AddField(MakeField("handle"));
  TvxnField& key = detail.AddField(MakeField("key"));
  TvxnField& v = detail.AddField(MakeField("v"));
  master.CreateDataSet();
  detail.CreateDataSet();
  detail.SetMasterLink(master.DataSource(), "KEY", "Handle");
  EXPECT_EQ(detail.MasterDataSet(), &master);

  auto addMaster = [&](const char* h) {
    master.Append();
    handle.SetAsString(h);
    master.Post();
  };
  auto addDetail = [&](const char* value) {
    detail.Append();
    key.SetAsString(handle.AsString());
    v.SetAsString(value);
    detail.Post();
  };
  auto values = [&] {
    std::vector<std::string> out;
    for (detail.First(); !detail.Eof(); detail.Next())
      out.push_back(v.AsString());
    return out;
  };

  addMaster("1");
  addDetail("a");
  addDetail("b");
  addMaster("2");
  EXPECT_EQ(detail.RecordCount(), 0u);
  EXPECT_TRUE(detail.Eof());
  addDetail("c");
  EXPECT_EQ(values(), (std::vector<std::string>{"c"}));

  master.First(); // moving the master moves the detail to the master's records
  EXPECT_EQ(v.AsString(), "a");
  EXPECT_EQ(values(), (std::vector<std::string>{"a", "b"}));

  master.Edit(); // changing the master field follows too
  handle.SetAsString("2");
  EXPECT_EQ(v.AsString(), "c");
  master.Cancel();

  detail.ClearMasterLink();
  EXPECT_EQ(values(), (std::vector<std::string>{"a", "b", "c"}));
}

} // namespace
} // namespace vxn
