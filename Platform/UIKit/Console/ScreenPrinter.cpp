#include "Platform/UIKit/Console/ScreenPrinter.h"

#include <cstdio>
#include <sstream>

#include "Platform/UIKit/AlertController.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/CollectionView.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PageControl.h"
#include "Platform/UIKit/SegmentedControl.h"
#include "Platform/UIKit/Switch.h"
#include "Platform/UIKit/TabBarController.h"
#include "Platform/UIKit/TableView.h"
#include "Platform/UIKit/TextField.h"
#include "Platform/UIKit/TextView.h"
#include "Platform/UIKit/Window.h"

namespace uikit {

namespace {

std::string quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '"') {
      out += "\\\"";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// An image by its asset name; an unnamed one by its pixel size.
std::string imageText(const Image& i) {
  if (!i.name().empty()) return i.name();
  return "bitmap " + std::to_string(i.pixelWidth()) + "\u00d7" + std::to_string(i.pixelHeight());
}

std::string details(const View& v) {
  std::string d;
  if (auto l = dynamic_cast<const Label*>(&v)) {
    if (auto t = l->text(); t && !t->empty()) d.append(" ").append(quote(*t));
  } else if (auto b = dynamic_cast<const Button*>(&v)) {
    if (auto t = b->currentTitle(); t && !t->empty()) d.append(" ").append(quote(*t));
    if (auto i = b->currentImage()) d.append(" image=").append(imageText(*i));
    if (b->isSelected()) d += " selected";
  } else if (auto f = dynamic_cast<const TextField*>(&v)) {
    if (auto p = f->placeholder()) d.append(" placeholder=").append(quote(*p));
    std::string text = f->text().value_or("");
    if (f->isSecureTextEntry) text = std::string(text.size(), '*');
    d.append(" text=").append(quote(text));
  } else if (auto tv = dynamic_cast<const TextView*>(&v)) {
    d.append(" text=").append(quote(tv->text()));
  } else if (auto iv = dynamic_cast<const ImageView*>(&v)) {
    if (auto i = iv->image()) d.append(" image=").append(imageText(*i));
  } else if (auto s = dynamic_cast<const Switch*>(&v)) {
    d += s->isOn() ? " on" : " off";
  } else if (auto seg = dynamic_cast<const SegmentedControl*>(&v)) {
    for (long i = 0; i < seg->numberOfSegments(); ++i) {
      const bool selected = i == seg->selectedSegmentIndex();
      d.append(selected ? " [" : " ").append(quote(seg->titleForSegmentAtIndex(i))).append(selected ? "]" : "");
    }
  } else if (auto pc = dynamic_cast<const PageControl*>(&v)) {
    // A carousel shows one card at a time: the dots say how many there are.
    d.append(" page=")
        .append(std::to_string(pc->numberOfPages() == 0 ? 0 : pc->currentPage() + 1))
        .append("/")
        .append(std::to_string(pc->numberOfPages()));
  }
  if (auto c = dynamic_cast<const Control*>(&v); c && !c->isEnabled()) d += " (disabled)";
  if (auto cell = dynamic_cast<const TableViewCell*>(&v); cell && cell->isSelected()) d += " (selected)";
  if (auto cell = dynamic_cast<const CollectionViewCell*>(&v); cell && cell->isSelected()) d += " (selected)";
  return d;
}

std::string cellPrefix(const View& v) {
  auto parent = v.superview();
  if (auto cell = dynamic_cast<const TableViewCell*>(&v)) {
    if (auto table = std::dynamic_pointer_cast<TableView>(parent)) {
      if (auto p = table->indexPathForCell(*cell)) return " [" + std::to_string(p->section) + "." + std::to_string(p->row) + "]";
    }
  }
  if (auto cell = dynamic_cast<const CollectionViewCell*>(&v)) {
    if (auto grid = std::dynamic_pointer_cast<CollectionView>(parent)) {
      if (auto p = grid->indexPathForCell(*cell)) return " [" + std::to_string(p->section) + "." + std::to_string(p->row) + "]";
    }
  }
  return "";
}

bool isPlainContainer(const View& v) {
  return v.className() == "View" && v.accessibilityIdentifier().empty();
}

void printTree(const View& v, int depth, std::ostringstream& out) {
  if (v.isHidden() || v.alpha() <= 0.01) return;
  if (dynamic_cast<const NavigationBar*>(&v) || dynamic_cast<const TabBar*>(&v)) return;
  int childDepth = depth;
  if (!isPlainContainer(v) || depth == 0) {
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << v.className();
    if (!v.accessibilityIdentifier().empty()) out << " #" << v.accessibilityIdentifier();
    out << cellPrefix(v) << details(v) << "\n";
    childDepth = depth + 1;
  }
  // Cells are listed in index order, the rest in subview order.
  std::vector<std::shared_ptr<View>> subs = v.subviews();
  if (auto table = dynamic_cast<const TableView*>(&v)) {
    auto t = const_cast<TableView*>(table);
    std::vector<std::shared_ptr<View>> ordered;
    for (const auto& s : subs) {
      if (!dynamic_cast<TableViewCell*>(s.get())) ordered.push_back(s);
    }
    for (const auto& c : t->visibleCells()) ordered.push_back(c);
    subs = ordered;
  } else if (auto grid = dynamic_cast<const CollectionView*>(&v)) {
    auto g = const_cast<CollectionView*>(grid);
    std::vector<std::shared_ptr<View>> ordered;
    for (const auto& s : subs) {
      if (!dynamic_cast<CollectionViewCell*>(s.get())) ordered.push_back(s);
    }
    for (const auto& c : g->visibleCells()) ordered.push_back(c);
    subs = ordered;
  }
  // A button's own title label and image view are already in its line.
  if (dynamic_cast<const Button*>(&v) || dynamic_cast<const TextField*>(&v)) return;
  for (const auto& s : subs) printTree(*s, childDepth, out);
}

std::string itemText(const BarButtonItemPtr& item) {
  if (!item) return "";
  if (!item->title.empty()) return quote(item->title);
  if (item->image) return "image=" + item->image->name();
  if (item->customView) {
    std::ostringstream o;
    printTree(*item->customView, 0, o);
    std::string s = o.str();
    while (!s.empty() && s.back() == '\n') s.pop_back();
    for (auto& c : s) {
      if (c == '\n') c = ';';
    }
    return "{" + s + "}";
  }
  return "item";
}

}  // namespace

std::shared_ptr<ViewController> ScreenPrinter::visibleScreen(const Window& window) {
  auto vc = window.rootViewController();
  while (vc) {
    auto next = vc->presentedViewController();
    if (!next || std::dynamic_pointer_cast<AlertController>(next)) break;
    vc = next;
  }
  return vc;
}

std::shared_ptr<ViewController> ScreenPrinter::visibleAlert(const Window& window) {
  auto vc = window.rootViewController();
  while (vc) {
    auto next = vc->presentedViewController();
    if (!next) break;
    if (auto alert = std::dynamic_pointer_cast<AlertController>(next)) return alert;
    vc = next;
  }
  return nullptr;
}

std::shared_ptr<ViewController> ScreenPrinter::shownController(const Window& window) {
  auto shown = visibleScreen(window);
  while (shown) {
    if (auto nav = std::dynamic_pointer_cast<NavigationController>(shown); nav && nav->topViewController()) {
      shown = nav->topViewController();
    } else if (auto tab = std::dynamic_pointer_cast<TabBarController>(shown); tab && tab->selectedViewController()) {
      shown = tab->selectedViewController();
    } else {
      break;
    }
  }
  return shown;
}

std::string ScreenPrinter::printView(const View& view, int depth) {
  std::ostringstream out;
  printTree(view, depth, out);
  return out.str();
}

std::string ScreenPrinter::print(const Window& window) {
  std::ostringstream out;
  auto shown = shownController(window);
  if (!shown) {
    out << "screen: none\n";
    return out.str();
  }
  out << "screen: " << shown->className();
  if (!shown->title().empty()) out << " " << quote(shown->title());
  out << "\n";
  if (auto nav = shown->navigationController(); nav && !nav->isNavigationBarHidden()) {
    auto& item = shown->navigationItem();
    out << "  navigation:";
    if (!item.title.empty()) out << " title=" << quote(item.title);
    if (nav->viewControllers().size() > 1 && !item.hidesBackButton) out << " back";
    for (const auto& i : item.leftBarButtonItems()) out << " left=" << itemText(i);
    for (const auto& i : item.rightBarButtonItems()) out << " right=" << itemText(i);
    out << "\n";
  }
  if (auto tab = shown->tabBarController()) {
    out << "  tabs:";
    for (std::size_t i = 0; i < tab->viewControllers().size(); ++i) {
      std::string t = tab->viewControllers()[i]->tabBarItem().title;
      if (i == tab->selectedIndex()) {
        out << " [" << quote(t) << "]";
      } else {
        out << " " << quote(t);
      }
    }
    out << "\n";
  }
  printTree(*shown->view(), 1, out);
  if (auto alert = std::dynamic_pointer_cast<AlertController>(visibleAlert(window))) {
    out << "alert:";
    if (alert->alertTitle()) out << " " << quote(*alert->alertTitle());
    if (alert->message()) out << " " << quote(*alert->message());
    out << " actions=[";
    auto titles = alert->displayedActionTitles();
    for (std::size_t i = 0; i < titles.size(); ++i) out << (i ? ", " : "") << quote(titles[i]);
    out << "]\n";
  }
  return out.str();
}

}  // namespace uikit
