#pragma once
// The one error type of the system. Its message is Windows-1252 text, shown to the user as is.
#include <stdexcept>
#include <string>

namespace vorlane {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace vorlane
