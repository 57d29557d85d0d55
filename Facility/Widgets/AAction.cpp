#include "Facility/Widgets/AAction.h"

const AAction AAction::Okay(Kind::Okay);
const AAction AAction::Ok(Kind::Ok);
const AAction AAction::Yes(Kind::Yes);
const AAction AAction::No(Kind::No);
const AAction AAction::Cancel(Kind::Cancel);
const AAction AAction::Edit(Kind::Edit);
const AAction AAction::Delete(Kind::Delete);
const AAction AAction::Remove(Kind::Remove);
const AAction AAction::Logout(Kind::Logout);

std::string AAction::title() const {
  switch (kind_) {
    case Kind::Custom: return custom_;
    case Kind::Okay: return "Okay";
    case Kind::Ok: return "Ok";
    case Kind::Yes: return "Yes";
    case Kind::No: return "No";
    case Kind::Cancel: return "Cancel";
    case Kind::Edit: return "Edit";
    case Kind::Delete: return "Delete";
    case Kind::Remove: return "Remove";
    case Kind::Logout: return "Logout";
  }
  return "";
}
