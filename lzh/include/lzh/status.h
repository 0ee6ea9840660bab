// Result type shared by every lzh call: a code plus a one-line reason.
#pragma once

#include <string>
#include <utility>

namespace lzh {

enum class StatusCode {
    Ok,
    DataError,    // the archive bytes are damaged or hostile
    Unsupported,  // well-formed but uses something we do not implement
    IoError,      // the stream or file system failed
    Aborted,      // the progress callback asked us to stop
};

class Status {
public:
    Status() = default;
    Status(StatusCode code, std::string message) : code_(code), message_(std::move(message)) {}

    static Status ok() { return {}; }
    static Status data_error(std::string m) { return {StatusCode::DataError, std::move(m)}; }
    static Status unsupported(std::string m) { return {StatusCode::Unsupported, std::move(m)}; }
    static Status io_error(std::string m) { return {StatusCode::IoError, std::move(m)}; }
    static Status aborted() { return {StatusCode::Aborted, "aborted"}; }

    bool is_ok() const { return code_ == StatusCode::Ok; }
    StatusCode code() const { return code_; }
    const std::string& message() const { return message_; }

private:
    StatusCode code_ = StatusCode::Ok;
    std::string message_;
};

const char* to_string(StatusCode code);

}  // namespace lzh

#define LZH_TRY(expr)                          \
    do {                                       \
        ::lzh::Status lzh_try_status_ = (expr); \
        if (!lzh_try_status_.is_ok()) return lzh_try_status_; \
    } while (0)
