#include "Facility/Models/MDLCloseComplainList.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLCloseComplain>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLCloseComplain", {
        field<&MDLCloseComplain::id>("ID"),
        field<&MDLCloseComplain::tenant>("Tenant"),
        field<&MDLCloseComplain::clientName>("ClientName"),
        field<&MDLCloseComplain::complainDesc>("ComplainDesc"),
        field<&MDLCloseComplain::typeOfComplain>("TypeOfComplain"),
        field<&MDLCloseComplain::complainFor>("ComplainFor"),
        field<&MDLCloseComplain::visitDate>("VisitDate"),
        field<&MDLCloseComplain::daysRemaining>("DaysRemaining"),
        field<&MDLCloseComplain::reportingTime>("ReportingTime"),
        field<&MDLCloseComplain::status>("Status"),
        field<&MDLCloseComplain::description>("Description"),
      },
      {"ID", "Tenant", "ClientName", "ComplainDesc", "ComplainFor", "VisitDate", "DaysRemaining", "ReportingTime", "Description", "Status", "TypeOfComplain"});
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLCloseComplainList>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLCloseComplainList", {
        field<&MDLCloseComplainList::isSuccess>("IsSuccess"),
        field<&MDLCloseComplainList::message>("Message"),
        field<&MDLCloseComplainList::closeComplainList>("lstComplainList"),
        field<&MDLCloseComplainList::todayTotal>("TodayTotal"),
        field<&MDLCloseComplainList::overdueTotal>("OverdueTotal"),
        field<&MDLCloseComplainList::allTotal>("AllTotal"),
      });
    return t;
  }();
  return table;
}
