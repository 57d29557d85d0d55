// The interpreter's own form of a program entity: one value or statement,
// mirroring the fields of the runtime-entity message (every field optional).
#pragma once

#include <optional>
#include <string>
#include <vector>

struct APMPEntity {
  std::optional<int> type;  // 1 string, 2 number, 3 boolean, 4 statement
  std::vector<APMPEntity> arguments;
  std::optional<std::string> functionName;
  std::optional<std::string> stringValue;
  std::optional<bool> booleanValue;
  std::optional<double> numberValue;

  static APMPEntity string(std::string s) {
    APMPEntity e;
    e.type = 1;
    e.stringValue = std::move(s);
    return e;
  }
  static APMPEntity number(double d) {
    APMPEntity e;
    e.type = 2;
    e.numberValue = d;
    return e;
  }
  static APMPEntity boolean(bool b) {
    APMPEntity e;
    e.type = 3;
    e.booleanValue = b;
    return e;
  }
  static APMPEntity statement(std::string name, std::vector<APMPEntity> args = {}) {
    APMPEntity e;
    e.type = 4;
    e.functionName = std::move(name);
    e.arguments = std::move(args);
    return e;
  }
};

struct APMPActivity {
  std::optional<std::string> name;
  std::vector<APMPEntity> data;
};

struct APMPProgram {
  std::vector<APMPEntity> instructions;
  std::optional<std::vector<APMPActivity>> activities;
};
