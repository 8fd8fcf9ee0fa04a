// The REC text (the free issuer's TXT layout): one record of the published NF-e layout per line, fields
// separated by "|", the first field the record's group identifier ("A", "B", "H", "N02", "X26", ...).
// The parser splits the lines and hands each group with its values to OnGroup; positions count from 1
// for the group identifier, so the first value has position 2.
#pragma once

#include "vxnStringList.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

struct TvxnRecElemento {
  std::string grupo;
  int posicao = 0;
  std::string valor;
};

class TvxnRecParser {
public:
  using TOnGroup = std::function<void(const std::string& grupo, const std::vector<TvxnRecElemento>& elementos,
                                      int ultimo)>;

  // A text naming an existing file is read from it (UTF-8, BOM dropped); any other text is the content.
  void SetRec(std::string_view text);
  const std::string& GetRec() const { return rec_; }
  const TvxnStringList& GetNotaRec() const { return notaRec_; }
  void SetOnGroup(TOnGroup callback) { onGroup_ = std::move(callback); }
  const std::string& GetHeadGroup() const { return headGroup_; }

  // Splits the text into lines and hands every non-empty line to OnGroup, in order.
  void Execute();
  // The index-th "|"-separated field of the line (0 and 1 both give the first).
  static std::string GetTag(int index, std::string_view line);
  // True when the index-th field of HeadGroup is the end-of-line marker.
  bool isLastField(int index) const;

private:
  void SelectGroup();

  std::string rec_;
  TvxnStringList notaRec_;
  TOnGroup onGroup_;
  std::string headGroup_;
};

} // namespace vxn
