#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Facility/Storage/CoreDataManager.h"
#include "Facility/Storage/CurrentUserType.h"
#include "Facility/Storage/LoginEntity.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/Log.h"
#include "tests/support/CoreFixture.h"

using platform::Value;

namespace {

class StoredStateTest : public CoreFixture {};

std::shared_ptr<LoginEntity> saveLogin(std::int64_t empid, const char* token, const char* type = "U") {
  auto e = LoginEntity::insertFromDictionary({{"empid", Value(empid)}});
  e->accesstoken = token;
  e->logintype = type;
  CoreDataManager::shared().mainManagedObjectContext().saveChanges();
  return e;
}

TEST_F(StoredStateTest, TypedReadsTakeOnlyTheKeysOwnType) {
  auto& d = UserDefaultsKey::defaults();
  (void)d.setString("12", "empid");
  (void)d.setString("true", "isuserinvited");
  (void)d.setInteger(7, "serverurl");
  EXPECT_FALSE(UserDefaultsAccess::getInt(UserDefaultsKey::empId));
  EXPECT_FALSE(UserDefaultsAccess::isSet(UserDefaultsKey::isUserInvited));
  EXPECT_EQ(UserDefaultsAccess::storedServerUrl(), "");

  UserDefaultsAccess::setValue(Value(std::int64_t{12}), UserDefaultsKey::empId);
  UserDefaultsAccess::setValue(Value(true), UserDefaultsKey::isUserInvited);
  UserDefaultsAccess::setValue(Value("http://h"), UserDefaultsKey::serverUrl);
  EXPECT_EQ(UserDefaultsAccess::getInt(UserDefaultsKey::empId), 12);
  EXPECT_TRUE(UserDefaultsAccess::isSet(UserDefaultsKey::isUserInvited));
  EXPECT_EQ(UserDefaultsAccess::storedServerUrl(), "http://h");
  UserDefaultsAccess::setValue(Value(false), UserDefaultsKey::isUserInvited);
  EXPECT_FALSE(UserDefaultsAccess::isSet(UserDefaultsKey::isUserInvited));
}

TEST_F(StoredStateTest, CurrentRoleMapsEveryStoredValue) {
  struct Case {
    std::optional<Value> stored;
    CurrentRole role;
  } cases[] = {
      {std::nullopt, CurrentRole::kUser}, {Value(0), CurrentRole::kUser},          {Value(1), CurrentRole::kUser},
      {Value(2), CurrentRole::kTenantAdmin}, {Value(3), CurrentRole::kFacilityAdmin}, {Value(4), CurrentRole::kUser},
      {Value("3"), CurrentRole::kUser},
  };
  for (const auto& c : cases) {
    auto& d = UserDefaultsKey::defaults();
    (void)d.removeObjectForKey(kMyCurrentUserKey);
    if (c.stored) (void)d.setObject(*c.stored, kMyCurrentUserKey);
    EXPECT_EQ(CurrentUserType::shared().currentUser(), c.role) << (c.stored ? c.stored->description() : "absent");
  }
  CurrentUserType::shared().setCurrentUser(CurrentRole::kFacilityAdmin);
  EXPECT_EQ(UserDefaultsKey::defaults().integerObjectForKey(kMyCurrentUserKey), 3);
}

TEST_F(StoredStateTest, InsertFromDictionaryLeavesOtherAttributesEmpty) {
  auto e = LoginEntity::insertFromDictionary({{"empid", Value(7)}, {"apikey", Value(5)}});
  EXPECT_EQ(e->empid, 7);
  EXPECT_FALSE(e->apikey);  // wrong type is not stored
  EXPECT_FALSE(e->accesstoken);
  EXPECT_FALSE(e->issso);
  EXPECT_EQ(e->dictionaryValue().size(), 1u);
}

TEST_F(StoredStateTest, SaveWritesOnlyChangesAndRecordsSurviveReopening) {
  auto& ctx = CoreDataManager::shared().mainManagedObjectContext();
  EXPECT_FALSE(ctx.hasChanges());
  auto e = saveLogin(7, "tok");
  EXPECT_FALSE(ctx.hasChanges());
  EXPECT_GT(e->rowid(), 0);
  e->refreshtoken = "r1";
  EXPECT_TRUE(ctx.hasChanges());
  ctx.saveChanges();
  EXPECT_FALSE(ctx.hasChanges());

  CoreDataManager::resetShared();
  auto found = LoginEntity::findByDictionary({{"empid", Value(7)}});
  ASSERT_TRUE(found);
  EXPECT_EQ(found->accesstoken, "tok");
  EXPECT_EQ(found->refreshtoken, "r1");
  EXPECT_FALSE(LoginEntity::findByDictionary({{"empid", Value(8)}}));
}

TEST_F(StoredStateTest, DuplicateRecordsResolveToTheOldestForEveryReader) {
  saveLogin(7, "first");
  saveLogin(7, "second");
  CoreDataManager::resetShared();
  auto found = LoginEntity::findByDictionary({{"empid", Value(7)}});
  auto fetched = LoginEntity::fetchObjects(Predicate{{{"empid", Value(7)}}}, std::nullopt);
  ASSERT_TRUE(found);
  ASSERT_TRUE(fetched);
  ASSERT_EQ(fetched->size(), 2u);
  EXPECT_EQ(found->accesstoken, "first");
  EXPECT_EQ(found, fetched->front());
}

TEST_F(StoredStateTest, FetchErrorsAreLoggedAndGiveNone) {
  platform::LogCapture log;
  EXPECT_FALSE(LoginEntity::fetchObjects(Predicate{{{"nosuch", Value(1)}}}, std::nullopt));
  EXPECT_TRUE(log.contains("Error while fetching the NSManagedObjects with predicate :- nosuch == 1"));
  EXPECT_FALSE(LoginEntity::findByDictionary({{"nosuch", Value(1)}}));
  EXPECT_TRUE(log.contains("Error while finding the NSManagedObject with dict :- "));
}

TEST_F(StoredStateTest, UpdateLoginTypeRewritesTheCurrentRecord) {
  saveLogin(9, "t", "U");
  CurrentUserType::shared().updateLoginType();  // no "empid": nothing happens
  UserDefaultsAccess::setValue(Value(9), UserDefaultsKey::empId);
  CurrentUserType::shared().setCurrentUser(CurrentRole::kTenantAdmin);
  CurrentUserType::shared().syncLoginType();
  CoreDataManager::resetShared();
  EXPECT_EQ(LoginEntity::findByDictionary({{"empid", Value(9)}})->logintype, "T");
}

TEST_F(StoredStateTest, UnreadableStoreIsReportedAndLeftUntouched) {
  ASSERT_TRUE(platform::DataRoot::createDirectories().ok());
  const std::string junk(4096, 'x');
  { std::ofstream(CoreDataManager::storePath(), std::ios::binary) << junk; }
  platform::LogCapture log;
  CoreDataManager::resetShared();
  EXPECT_FALSE(LoginEntity::findByDictionary({{"empid", Value(1)}}));
  EXPECT_TRUE(log.contains("Unresolved error "));
  LoginEntity::insertFromDictionary({{"empid", Value(1)}});
  CoreDataManager::shared().mainManagedObjectContext().saveChanges();
  EXPECT_TRUE(log.contains("Error while saving the single change into mainManagedObjectContext :- "));
  std::ifstream in(CoreDataManager::storePath(), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_EQ(ss.str(), junk);
}

}  // namespace
