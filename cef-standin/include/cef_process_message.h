// Placeholder: the renderer's API comes with the renderer work.
#ifndef CEF_INCLUDE_CEF_PROCESS_MESSAGE_H_
#define CEF_INCLUDE_CEF_PROCESS_MESSAGE_H_

#include "include/cef_base.h"

class CefProcessMessage : public virtual CefBaseRefCounted {};

#endif  // CEF_INCLUDE_CEF_PROCESS_MESSAGE_H_
