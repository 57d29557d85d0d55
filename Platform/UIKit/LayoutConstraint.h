// A layout constraint kept as data: item.attribute relation
// item2.attribute2 * multiplier + constant, with a priority and an active
// flag. Active constraints live in the nearest common ancestor of their items
// (or in the single item), as on the phone platform.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/UIKit/Object.h"

namespace uikit {

class View;

enum class LayoutAttribute {
  kNotAnAttribute,
  kLeft,
  kRight,
  kTop,
  kBottom,
  kLeading,
  kTrailing,
  kWidth,
  kHeight,
  kCenterX,
  kCenterY,
  kLastBaseline,
  kFirstBaseline,
};
enum class LayoutRelation { kLessThanOrEqual = -1, kEqual = 0, kGreaterThanOrEqual = 1 };

inline constexpr float kLayoutPriorityRequired = 1000;
inline constexpr float kLayoutPriorityDefaultHigh = 750;
inline constexpr float kLayoutPriorityDefaultLow = 250;

const char* layoutAttributeName(LayoutAttribute a);

class LayoutConstraint;
using LayoutConstraintPtr = std::shared_ptr<LayoutConstraint>;

class LayoutConstraint : public Object {
 public:
  static LayoutConstraintPtr make(const std::shared_ptr<View>& first, LayoutAttribute firstAttribute,
                                  LayoutRelation relation, const std::shared_ptr<View>& second,
                                  LayoutAttribute secondAttribute, double multiplier, double constant);

  std::shared_ptr<View> firstItem() const { return first_.lock(); }
  std::shared_ptr<View> secondItem() const { return second_.lock(); }
  LayoutAttribute firstAttribute() const { return firstAttribute_; }
  LayoutAttribute secondAttribute() const { return secondAttribute_; }
  LayoutRelation relation() const { return relation_; }
  double multiplier() const { return multiplier_; }

  double constant() const { return constant_; }
  void setConstant(double c) { constant_ = c; }
  float priority() const { return priority_; }
  void setPriority(float p) { priority_ = p; }
  const std::string& identifier() const { return identifier_; }
  void setIdentifier(std::string id) { identifier_ = std::move(id); }

  bool isActive() const { return active_; }
  // Installs into (or removes from) the nearest common ancestor's list.
  void setActive(bool active);
  static void activate(const std::vector<LayoutConstraintPtr>& constraints);
  static void deactivate(const std::vector<LayoutConstraintPtr>& constraints);

  std::string description() const override;

 private:
  friend class View;
  std::weak_ptr<View> first_;
  std::weak_ptr<View> second_;
  LayoutAttribute firstAttribute_ = LayoutAttribute::kNotAnAttribute;
  LayoutAttribute secondAttribute_ = LayoutAttribute::kNotAnAttribute;
  LayoutRelation relation_ = LayoutRelation::kEqual;
  double multiplier_ = 1;
  double constant_ = 0;
  float priority_ = kLayoutPriorityRequired;
  bool active_ = false;
  std::weak_ptr<View> owner_;
  std::string identifier_;
};

}  // namespace uikit
