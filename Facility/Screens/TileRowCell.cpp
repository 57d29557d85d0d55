#include "Facility/Screens/TileRowCell.h"

#include <algorithm>

void TileRowCell::applyHeaderRule(long row) {
  const bool first = row == 0;
  if (auto header = vwHeader.lock()) header->setHidden(!first);
  if (topSpaceToContentView) {
    topSpaceToContentView->setPriority(first ? kInactivePriority : kActivePriority);
    topSpaceToContentView->setConstant(first ? kHeaderHeight : 0.0);
  }
  if (topSpaceToHeaderView) topSpaceToHeaderView->setPriority(first ? kActivePriority : kInactivePriority);
}

void TileRowCell::show(const std::weak_ptr<uikit::Label>& label, const std::optional<std::string>& text) {
  if (auto l = label.lock()) l->setText(text.value_or(""));
}

void TileRowCell::layOutHeader(const std::shared_ptr<uikit::View>& header,
                               const std::shared_ptr<uikit::View>& firstLine) {
  auto content = contentView();
  content->addSubview(header);
  vwHeader = header;
  topSpaceToContentView = uikit::LayoutConstraint::make(firstLine, uikit::LayoutAttribute::kTop,
                                                        uikit::LayoutRelation::kEqual, content,
                                                        uikit::LayoutAttribute::kTop, 1, kHeaderHeight);
  topSpaceToHeaderView = uikit::LayoutConstraint::make(firstLine, uikit::LayoutAttribute::kTop,
                                                       uikit::LayoutRelation::kEqual, header,
                                                       uikit::LayoutAttribute::kBottom, 1, 0);
  topSpaceToContentView->setPriority(kInactivePriority);
  topSpaceToHeaderView->setPriority(kActivePriority);
  topSpaceToContentView->setActive(true);
  topSpaceToHeaderView->setActive(true);
}

uikit::NibContents TileRowCell::buildRow(const std::shared_ptr<TileRowCell>& cell,
                                         const std::vector<const char*>& captions, const std::vector<Column>& columns,
                                         const std::shared_ptr<uikit::View>& leading) {
  constexpr double kWidth = 330;
  cell->setFrame(uikit::Rect(0, 0, kWidth, kHeaderHeight + kLineHeight));
  cell->contentView()->setFrame(cell->bounds());
  auto header = uikit::View::make(uikit::Rect(0, 0, kWidth, kHeaderHeight));
  const double captionWidth = kWidth / static_cast<double>(std::max<std::size_t>(captions.size(), 1));
  for (std::size_t i = 0; i < captions.size(); ++i) {
    auto caption = uikit::View::make<uikit::Label>(
        uikit::Rect(static_cast<double>(i) * captionWidth, 0, captionWidth, kHeaderHeight));
    caption->setText(captions[i]);
    header->addSubview(caption);
  }
  const std::size_t slots = columns.size() + (leading ? 1 : 0);
  const double column = kWidth / static_cast<double>(std::max<std::size_t>(slots, 1));
  auto line = uikit::View::make(uikit::Rect(0, kHeaderHeight, kWidth, kLineHeight));
  cell->contentView()->addSubview(line);
  cell->layOutHeader(header, line);
  uikit::NibContents contents;
  contents.topLevelObjects.push_back(cell);
  std::size_t slot = 0;
  if (leading) {
    leading->setFrame(uikit::Rect(0, 0, column, kLineHeight));
    line->addSubview(leading);
    ++slot;
  }
  for (const auto& c : columns) {
    auto label = uikit::View::make<uikit::Label>(uikit::Rect(static_cast<double>(slot++) * column, 0, column, kLineHeight));
    label->setAccessibilityIdentifier(c.outlet);
    line->addSubview(label);
    auto connect = c.connect;
    contents.outlets.push_back({c.outlet, [connect, label] { connect(label); }});
  }
  return contents;
}
