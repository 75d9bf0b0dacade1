#pragma once
// The one shape in which a core operation that can fail hands back its result: the value,
// or the failure that stopped it. A failure carries what stopped the work and its text;
// where the program goes next and which title a message box shows are the front end's to
// decide (the windows and kinetra-fit each map a failure once).

#include <cassert>
#include <exception>
#include <string>
#include <utility>
#include <variant>

#include "base/RuntimeFailure.h"

namespace kinetra {

enum class FailureKind {
    RunTime,     // a run-time failure: `number` is its number, `text` the failure text
    FitAbort,    // one of the fit's numbered aborts: `number` is the abort's number
    NotSigmoid,  // the points cannot be fitted by a sigmoid
    Refused,     // an input the user must correct: `text` says which (no number)
};

struct Failure {
    FailureKind kind = FailureKind::RunTime;
    int number = 0;
    std::string text;  // a run-time failure's description ("Overflow"), or the message itself

    static Failure runTime(const RuntimeFailure& f) { return {FailureKind::RunTime, f.number(), f.description()}; }
    // The failure any exception in flight stands for (see failureOf).
    static Failure current() { return runTime(failureOf(std::current_exception())); }
    static Failure refused(std::string message) { return {FailureKind::Refused, 0, std::move(message)}; }
};

// The titles of the program's message boxes, which the front ends give their failures.
inline constexpr const char* kTitleCritica = "Crítica de Dados";
inline constexpr const char* kTitleWrongData = "Wrong Data";

// The text a message shows: a run-time failure as "Error", its number and its description;
// any other failure as its message.
inline std::string failureMessage(const Failure& f)
{
    return f.kind == FailureKind::RunTime ? failureText(f.number, f.text) : f.text;
}

// A value or a failure.
template <class T>
class Outcome {
public:
    Outcome(T value) : v_(std::move(value)) {}            // NOLINT: a value is a success
    Outcome(Failure failure) : v_(std::move(failure)) {}  // NOLINT: a failure is a failure

    bool ok() const noexcept { return v_.index() == 0; }
    explicit operator bool() const noexcept { return ok(); }

    T& value() & { assert(ok()); return std::get<0>(v_); }
    const T& value() const& { assert(ok()); return std::get<0>(v_); }
    T&& value() && { assert(ok()); return std::get<0>(std::move(v_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Failure& failure() const { assert(!ok()); return std::get<1>(v_); }

private:
    std::variant<T, Failure> v_;
};

// An operation that succeeds with nothing to hand back.
struct Done {};
using Status = Outcome<Done>;

}  // namespace kinetra
