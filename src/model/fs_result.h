#pragma once
// Errors of the file-system layer and the result type its operations return.
// An error keeps the errno value and the path it concerns; the text shown to
// the user is made from them only at the edge.

#include <QString>

#include <filesystem>
#include <utility>
#include <variant>

struct FsError {
    int code = 0; // an errno value, or one of OwnError's
    std::filesystem::path path;

    // A short description in the user's language (see error_text.h).
    QString description() const;
};

template <class T>
class FsResult {
public:
    FsResult(T value) : state_(std::move(value)) {}
    FsResult(FsError error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(state_); }
    T& value() & { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const FsError& error() const { return std::get<1>(state_); }

private:
    std::variant<T, FsError> state_;
};

template <>
class FsResult<void> {
public:
    FsResult() = default;
    FsResult(FsError error) : error_(std::move(error)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const FsError& error() const { return error_; }

private:
    FsError error_;
    bool failed_ = false;
};
