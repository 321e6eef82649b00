// V8 from the renderer's side: contexts (one per frame and page), values of every
// JavaScript kind, and handlers that implement native JavaScript functions. Used on
// the renderer's main thread only.
#ifndef CEF_INCLUDE_CEF_V8_H_
#define CEF_INCLUDE_CEF_V8_H_

#include <vector>

#include "include/base/cef_basictypes.h"
#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_task.h"
#include "include/internal/cef_time.h"

class CefV8Exception;
class CefV8Handler;
class CefV8StackFrame;
class CefV8Value;

typedef enum {
  V8_ACCESS_CONTROL_DEFAULT = 0,
  V8_ACCESS_CONTROL_ALL_CAN_READ = 1,
  V8_ACCESS_CONTROL_ALL_CAN_WRITE = 1 << 1,
  V8_ACCESS_CONTROL_PROHIBITS_OVERWRITING = 1 << 2
} cef_v8_accesscontrol_t;

// Registers a JavaScript extension: `javascript_code` runs in every context made after
// this call (call it from OnWebKitInitialized), and each `native function name();`
// declaration in it binds `name` to `handler` (which may be null when there are none).
// False when the name is taken or the code or handler cannot be registered.
bool CefRegisterExtension(const CefString& extension_name,
                          const CefString& javascript_code,
                          CefRefPtr<CefV8Handler> handler);

// A frame's script context. A context is entered while CEF calls the render-process
// handler about it and while page script runs in it.
class CefV8Context : public virtual CefBaseRefCounted {
 public:
  // The innermost entered context, or null outside any.
  static CefRefPtr<CefV8Context> GetCurrentContext();
  // The outermost entered context, or null outside any.
  static CefRefPtr<CefV8Context> GetEnteredContext();
  static bool InContext();

  // Posts to the thread this context lives on (the renderer's main thread).
  virtual CefRefPtr<CefTaskRunner> GetTaskRunner() = 0;
  // False once the context has been released.
  virtual bool IsValid() = 0;
  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  virtual CefRefPtr<CefFrame> GetFrame() = 0;
  // The page's window object.
  virtual CefRefPtr<CefV8Value> GetGlobal() = 0;
  // Enter() and Exit() come in pairs; objects and functions are created in the entered
  // context.
  virtual bool Enter() = 0;
  virtual bool Exit() = 0;
  virtual bool IsSame(CefRefPtr<CefV8Context> that) = 0;
  // Runs `code` in this context; `script_url` names the script in errors and
  // `start_line` is the number of its first line. True with the completion value in
  // `retval`, or false with what was thrown in `exception`.
  virtual bool Eval(const CefString& code,
                    const CefString& script_url,
                    int start_line,
                    CefRefPtr<CefV8Value>& retval,
                    CefRefPtr<CefV8Exception>& exception) = 0;
};

typedef std::vector<CefRefPtr<CefV8Value>> CefV8ValueList;

// Implements native functions made with CefV8Value::CreateFunction.
class CefV8Handler : public virtual CefBaseRefCounted {
 public:
  // Runs the function `name` for the receiver `object`. Set `retval` to give the call
  // a result, or `exception` to throw; answer true when the call was handled. An
  // unhandled call, or a handled one without a result, yields undefined.
  virtual bool Execute(const CefString& name,
                       CefRefPtr<CefV8Value> object,
                       const CefV8ValueList& arguments,
                       CefRefPtr<CefV8Value>& retval,
                       CefString& exception) = 0;
};

// Native getters and setters of an object's properties.
class CefV8Accessor : public virtual CefBaseRefCounted {
 public:
  virtual bool Get(const CefString& name,
                   const CefRefPtr<CefV8Value> object,
                   CefRefPtr<CefV8Value>& retval,
                   CefString& exception) = 0;
  virtual bool Set(const CefString& name,
                   const CefRefPtr<CefV8Value> object,
                   const CefRefPtr<CefV8Value> value,
                   CefString& exception) = 0;
};

// Native handling of every property access on an object.
class CefV8Interceptor : public virtual CefBaseRefCounted {
 public:
  virtual bool Get(const CefString& name,
                   const CefRefPtr<CefV8Value> object,
                   CefRefPtr<CefV8Value>& retval,
                   CefString& exception) = 0;
  virtual bool Get(int index,
                   const CefRefPtr<CefV8Value> object,
                   CefRefPtr<CefV8Value>& retval,
                   CefString& exception) = 0;
  virtual bool Set(const CefString& name,
                   const CefRefPtr<CefV8Value> object,
                   const CefRefPtr<CefV8Value> value,
                   CefString& exception) = 0;
  virtual bool Set(int index,
                   const CefRefPtr<CefV8Value> object,
                   const CefRefPtr<CefV8Value> value,
                   CefString& exception) = 0;
};

// A JavaScript exception.
class CefV8Exception : public virtual CefBaseRefCounted {
 public:
  virtual CefString GetMessage() = 0;
  virtual CefString GetSourceLine() = 0;
  virtual CefString GetScriptResourceName() = 0;
  virtual int GetLineNumber() = 0;
  virtual int GetStartPosition() = 0;
  virtual int GetEndPosition() = 0;
  virtual int GetStartColumn() = 0;
  virtual int GetEndColumn() = 0;
};

// Frees the memory of an ArrayBuffer made with CefV8Value::CreateArrayBuffer, once
// script can no longer reach it (or it is neutered).
class CefV8ArrayBufferReleaseCallback : public virtual CefBaseRefCounted {
 public:
  virtual void ReleaseBuffer(void* buffer) = 0;
};

// A JavaScript value of any kind. A number that is a 32-bit integer answers IsInt,
// IsUInt where it is not negative, and IsDouble; any other number answers IsDouble
// only. Objects, arrays and functions answer IsObject; dates do not.
class CefV8Value : public virtual CefBaseRefCounted {
 public:
  typedef cef_v8_accesscontrol_t AccessControl;
  typedef cef_v8_propertyattribute_t PropertyAttribute;

  static CefRefPtr<CefV8Value> CreateUndefined();
  static CefRefPtr<CefV8Value> CreateNull();
  static CefRefPtr<CefV8Value> CreateBool(bool value);
  static CefRefPtr<CefV8Value> CreateInt(int32 value);
  static CefRefPtr<CefV8Value> CreateUInt(uint32 value);
  static CefRefPtr<CefV8Value> CreateDouble(double value);
  // A Date object; needs an entered context.
  static CefRefPtr<CefV8Value> CreateDate(const CefTime& date);
  static CefRefPtr<CefV8Value> CreateString(const CefString& value);
  // Objects, arrays and functions need an entered context; outside one they are null.
  static CefRefPtr<CefV8Value> CreateObject(CefRefPtr<CefV8Accessor> accessor,
                                            CefRefPtr<CefV8Interceptor> interceptor);
  static CefRefPtr<CefV8Value> CreateArray(int length);
  // An ArrayBuffer over `length` bytes at `buffer`, which stays the caller's: it is
  // handed to `release_callback` when no longer used. Needs an entered context.
  static CefRefPtr<CefV8Value> CreateArrayBuffer(
      void* buffer,
      size_t length,
      CefRefPtr<CefV8ArrayBufferReleaseCallback> release_callback);
  static CefRefPtr<CefV8Value> CreateFunction(const CefString& name,
                                              CefRefPtr<CefV8Handler> handler);

  // False for a handle that cannot be used; every other query then answers false.
  virtual bool IsValid() = 0;
  virtual bool IsUndefined() = 0;
  virtual bool IsNull() = 0;
  virtual bool IsBool() = 0;
  virtual bool IsInt() = 0;
  virtual bool IsUInt() = 0;
  virtual bool IsDouble() = 0;
  virtual bool IsDate() = 0;
  virtual bool IsString() = 0;
  virtual bool IsObject() = 0;
  virtual bool IsArray() = 0;
  virtual bool IsArrayBuffer() = 0;
  virtual bool IsFunction() = 0;
  virtual bool IsSame(CefRefPtr<CefV8Value> that) = 0;
  virtual bool GetBoolValue() = 0;
  virtual int32 GetIntValue() = 0;
  virtual uint32 GetUIntValue() = 0;
  virtual double GetDoubleValue() = 0;
  virtual CefTime GetDateValue() = 0;
  virtual CefString GetStringValue() = 0;

  // Objects (arrays and functions included).
  virtual bool IsUserCreated() = 0;
  virtual bool HasException() = 0;
  virtual CefRefPtr<CefV8Exception> GetException() = 0;
  virtual bool ClearException() = 0;
  virtual bool WillRethrowExceptions() = 0;
  virtual bool SetRethrowExceptions(bool rethrow) = 0;
  virtual bool HasValue(const CefString& key) = 0;
  virtual bool HasValue(int index) = 0;
  virtual bool DeleteValue(const CefString& key) = 0;
  virtual bool DeleteValue(int index) = 0;
  virtual CefRefPtr<CefV8Value> GetValue(const CefString& key) = 0;
  virtual CefRefPtr<CefV8Value> GetValue(int index) = 0;
  virtual bool SetValue(const CefString& key,
                        CefRefPtr<CefV8Value> value,
                        PropertyAttribute attribute) = 0;
  virtual bool SetValue(int index, CefRefPtr<CefV8Value> value) = 0;
  virtual bool SetValue(const CefString& key,
                        AccessControl settings,
                        PropertyAttribute attribute) = 0;
  // The enumerable keys, in the order they were added.
  virtual bool GetKeys(std::vector<CefString>& keys) = 0;
  virtual bool SetUserData(CefRefPtr<CefBaseRefCounted> user_data) = 0;
  virtual CefRefPtr<CefBaseRefCounted> GetUserData() = 0;
  // Memory held outside the heap on the object's behalf, as told by the program
  // (user-created objects only); Adjust answers the new amount.
  virtual int GetExternallyAllocatedMemory() = 0;
  virtual int AdjustExternallyAllocatedMemory(int change_in_bytes) = 0;

  // Arrays.
  virtual int GetArrayLength() = 0;

  // ArrayBuffers: the callback given to CreateArrayBuffer (null for a buffer made by
  // script); Neuter detaches the memory (length 0) and hands it to that callback.
  virtual CefRefPtr<CefV8ArrayBufferReleaseCallback> GetArrayBufferReleaseCallback() = 0;
  virtual bool NeuterArrayBuffer() = 0;

  // Functions.
  virtual CefString GetFunctionName() = 0;
  // Null for functions that page script made.
  virtual CefRefPtr<CefV8Handler> GetFunctionHandler() = 0;
  virtual CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object,
                                                const CefV8ValueList& arguments) = 0;
  virtual CefRefPtr<CefV8Value> ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context,
                                                           CefRefPtr<CefV8Value> object,
                                                           const CefV8ValueList& arguments) = 0;
};

// A script stack trace and its frames.
class CefV8StackTrace : public virtual CefBaseRefCounted {
 public:
  // The stack of the script running now, innermost call first, at most `frame_limit`
  // frames.
  static CefRefPtr<CefV8StackTrace> GetCurrent(int frame_limit);
  virtual bool IsValid() = 0;
  virtual int GetFrameCount() = 0;
  virtual CefRefPtr<CefV8StackFrame> GetFrame(int index) = 0;
};

class CefV8StackFrame : public virtual CefBaseRefCounted {
 public:
  virtual bool IsValid() = 0;
  virtual CefString GetScriptName() = 0;
  virtual CefString GetScriptNameOrSourceURL() = 0;
  virtual CefString GetFunctionName() = 0;
  virtual int GetLineNumber() = 0;
  virtual int GetColumn() = 0;
  virtual bool IsEval() = 0;
  virtual bool IsConstructor() = 0;
};

#endif  // CEF_INCLUDE_CEF_V8_H_
