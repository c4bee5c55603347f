// Records what reaches the general error handler, for tests without message boxes.
#pragma once

#include "guard.h"

#include <QStringList>

namespace vrx::test {

class ErrorLog {
public:
    ErrorLog() : previous_(InstallErrorHandler([this](const QString& text) { texts << text; })) {}
    ~ErrorLog() { InstallErrorHandler(std::move(previous_)); }
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

    QStringList texts;

private:
    ErrorHandler previous_;
};

} // namespace vrx::test
