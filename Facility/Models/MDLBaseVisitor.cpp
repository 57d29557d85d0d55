#include "Facility/Models/MDLBaseVisitor.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLVisitoryCategory>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLVisitoryCategory", {
        field<&MDLVisitoryCategory::text>("Text"),
        field<&MDLVisitoryCategory::value>("Value"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<DefaultUpList>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("DefaultUpList", {
        field<&DefaultUpList::buidlingID>("BuidlingID"),
        field<&DefaultUpList::isChecked>("IsChecked"),
        field<&DefaultUpList::textt>("Text"),
        field<&DefaultUpList::valuee>("Value"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<DefaultDownList>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("DefaultDownList", {
        field<&DefaultDownList::buidlingID>("BuidlingID"),
        field<&DefaultDownList::isChecked>("IsChecked"),
        field<&DefaultDownList::textt>("Text"),
        field<&DefaultDownList::valuee>("Value"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLBaseVisitor>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLBaseVisitor", {
        field<&MDLBaseVisitor::isSuccess>("IsSuccess"),
        field<&MDLBaseVisitor::message>("Message"),
        field<&MDLBaseVisitor::tagId>("TagId"),
        field<&MDLBaseVisitor::buildingList>("BuildingList"),
        field<&MDLBaseVisitor::twoWheelerParkingList>("TwoWheelerParkingList"),
        field<&MDLBaseVisitor::fourWheelerParkingList>("FourWheelerParkingList"),
        field<&MDLBaseVisitor::visitorCategoryList>("VisitorCategoryList"),
        field<&MDLBaseVisitor::defaultDownList>("DefaultDownList"),
        field<&MDLBaseVisitor::defaultUpList>("DefaultUpList"),
      },
      {"IsSuccess", "Message", "BuildingList", "TwoWheelerParkingList", "FourWheelerParkingList", "VisitorCategoryList", "DefaultDownList", "DefaultUpList", "TagId"},
      {"IsSuccess", "Message", "BuildingList", "TwoWheelerParkingList", "FourWheelerParkingList", "VisitorCategoryList", "DefaultUpList", "DefaultDownList", "TagId"});
    return t;
  }();
  return table;
}
