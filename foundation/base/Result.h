#pragma once

// How an operation that may be stopped or may fail ended, in one value: the
// caller never has to tell "stopped" from "failed" by a number whose meaning
// depends on who returned it, and a failure always comes with its reason.

#include "foundation/base/Types.h"

#include <string>
#include <utility>

namespace s::base {

enum class Outcome : u8 {
    kOk,      ///< done as asked
    kStopped, ///< a stop was asked for and the work did not finish; not an error
    kFailed,  ///< the work could not be done; `reason()` says why
};

class [[nodiscard]] Result {
public:
    static Result ok() { return Result(Outcome::kOk, {}); }
    static Result stopped() { return Result(Outcome::kStopped, {}); }
    /// `reason` is one line for people (UTF-8), as the libraries or the
    /// system put it; an empty one is kept empty.
    static Result failed(std::string reason) { return Result(Outcome::kFailed, std::move(reason)); }

    Outcome outcome() const { return m_outcome; }
    bool isOk() const { return m_outcome == Outcome::kOk; }
    bool isStopped() const { return m_outcome == Outcome::kStopped; }
    bool isFailed() const { return m_outcome == Outcome::kFailed; }
    /// Why it failed; empty unless `isFailed()`.
    const std::string& reason() const { return m_reason; }

private:
    Result(Outcome outcome, std::string reason) : m_outcome(outcome), m_reason(std::move(reason)) {}

    Outcome m_outcome;
    std::string m_reason;
};

} // namespace s::base
