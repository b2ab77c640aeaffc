#pragma once
// The one error vocabulary of the engines: a Status (a named code and a message for the user)
// and Result<T> (a value or the Status that explains why there is none). No exceptions cross
// an engine's boundary; callers test IsOk() and show Message().
//
//   Result<std::string> bytes = fs.ReadFile(path);
//   if (!bytes.IsOk()) return bytes.GetStatus();
//   Use(bytes.Value());
//
// Readers of stored data that keep what they can of a damaged file return Damaged together with
// what they read (see Damage below), so that the caller can keep a copy and tell the user.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace inkwend {

enum class StatusCode : uint8_t {
  Ok,
  OutOfMemory,     // an allocation failed; nothing was changed
  IoError,         // the operating system refused a read or write (full disk, no permission)
  NotFound,        // the file or item does not exist
  Damaged,         // stored data is damaged; what could be read is kept
  NothingToWrite,  // a save had nothing to save (no selection)
  Refused,         // the request was not carried out (invalid argument, vetoed, read-only)
  Cancelled,       // the user cancelled
};

// Where stored data is damaged and what a reader left out because of it.
struct Damage {
  int64_t offset = -1;  // byte offset of the damage in the stored data; -1 unknown
  std::string dropped;  // what was left out, in words ("2 open groups", "the last 12 bytes")
};

class Status {
 public:
  Status() = default;  // success

  static Status Ok() { return Status(); }
  // A failure for the user; IoError when no better code applies.
  static Status Error(std::string message) { return Status(StatusCode::IoError, std::move(message)); }
  static Status Error(StatusCode code, std::string message) { return Status(code, std::move(message)); }
  static Status Damaged(std::string message, Damage damage) {
    Status s(StatusCode::Damaged, std::move(message));
    s.damage_ = std::move(damage);
    return s;
  }

  bool IsOk() const { return code_ == StatusCode::Ok; }
  StatusCode Code() const { return code_; }
  const std::string& Message() const { return message_; }
  // Set for Damaged.
  const std::optional<Damage>& DamageFound() const { return damage_; }
  // The spellings of store/status.h, which now forwards here; until its callers use the ones
  // above. (Two classes named Status in one program break the one-definition rule.)
  bool ok() const { return IsOk(); }
  const std::string& message() const { return Message(); }

 private:
  Status(StatusCode code, std::string message) : code_(code), message_(std::move(message)) {}

  StatusCode code_ = StatusCode::Ok;
  std::string message_;
  std::optional<Damage> damage_;
};

// A value, or the Status that says why there is none.
template <typename T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}          // NOLINT(google-explicit-constructor)
  Result(Status status) : status_(std::move(status)) {}  // NOLINT(google-explicit-constructor)

  bool IsOk() const { return status_.IsOk() && value_.has_value(); }
  const Status& GetStatus() const { return status_; }
  T& Value() { return *value_; }
  const T& Value() const { return *value_; }
  T TakeValue() { return std::move(*value_); }

 private:
  Status status_;
  std::optional<T> value_;
};

}  // namespace inkwend
