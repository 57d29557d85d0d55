// A row of a dashboard tile's inner table. Only the first row shows the
// column header: its content then hangs below the header, later rows hang
// from the top of the cell.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/LayoutConstraint.h"
#include "Platform/UIKit/Nib.h"
#include "Platform/UIKit/TableViewCell.h"

class TileRowCell : public uikit::TableViewCell {
 public:
  static constexpr double kHeaderHeight = 30.0;
  static constexpr float kActivePriority = 999;
  static constexpr float kInactivePriority = 250;

  std::weak_ptr<uikit::View> vwHeader;
  // The first content line's top: to the cell's content view, and to the
  // bottom of the header.
  uikit::LayoutConstraintPtr topSpaceToContentView, topSpaceToHeaderView;

  void applyHeaderRule(long row);

  // A recycled row must not show a former record's text: absent values
  // show the empty text a fresh cell has.
  static void show(const std::weak_ptr<uikit::Label>& label, const std::optional<std::string>& text);

 protected:
  static constexpr double kLineHeight = 29.0;
  struct Column {
    const char* outlet;
    std::function<void(const std::shared_ptr<uikit::Label>&)> connect;
  };
  // The nib of a row: a header with the captions above one line holding
  // `leading` (when given) and a label per column, wired as outlets.
  static uikit::NibContents buildRow(const std::shared_ptr<TileRowCell>& cell, const std::vector<const char*>& captions,
                                     const std::vector<Column>& columns,
                                     const std::shared_ptr<uikit::View>& leading = nullptr);

 private:
  void layOutHeader(const std::shared_ptr<uikit::View>& header, const std::shared_ptr<uikit::View>& firstLine);
};
