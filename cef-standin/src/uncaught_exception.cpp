#include "uncaught_exception.h"

namespace cef_standin {

void ReportUncaughtException(CefRefPtr<CefV8Context> /*context*/,
                             const script::RunResult& /*result*/) {}

}  // namespace cef_standin
