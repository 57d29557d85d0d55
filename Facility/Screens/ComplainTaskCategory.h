// Which tasks the facility task list shows; the dashboard's count tiles
// choose it. none is the value before any choice and reads as all.
#pragma once

enum class ComplainTaskCategory { today, all, overdue, none };

inline const char* complainTaskCategoryName(ComplainTaskCategory category) {
  switch (category) {
    case ComplainTaskCategory::today: return "today";
    case ComplainTaskCategory::all: return "all";
    case ComplainTaskCategory::overdue: return "overdue";
    case ComplainTaskCategory::none: return "none";
  }
  return "none";
}
