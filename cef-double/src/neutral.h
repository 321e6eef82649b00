// The seam between the double's two halves. The engine half is compiled with the
// stand-in's C++ API (its headers sit at CEF's include paths); the C half with the C API
// headers of a CEF distribution. Neither can see the other's types, so they meet here in
// plain C++: opaque handles, std::u16string for text, and functions each half defines
// for the other.
#ifndef CEF_DOUBLE_SRC_NEUTRAL_H_
#define CEF_DOUBLE_SRC_NEUTRAL_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace cef_double {

// An engine object (browser, frame, V8 context or value, list, process message, DOM
// document or node, command line, task runner, waitable event), always of the kind that the
// function passing it names. A handle passed into a function is borrowed; one returned carries a
// reference for the caller.
struct Obj;
enum class Kind {
  kBrowser,
  kFrame,
  kContext,
  kValue,
  kMessage,
  kList,
  kDocument,
  kNode,
  kCommandLine,
  kDictionary,
  kBinary,
  kBox,  // a CefValue
  kTaskRunner,
  kWaitableEvent,
  kException,   // a CefV8Exception
  kStackTrace,  // a CefV8StackTrace
  kStackFrame,  // a CefV8StackFrame
};
void ObjAddRef(Kind kind, Obj* object);
void ObjRelease(Kind kind, Obj* object);

// A scheme registrar: scoped, valid only during the call that hands it out.
struct Registrar;

// An object of the executable (an application, handler, visitor or task it made),
// held with one reference. Defined by the C half.
struct Exe;
void ExeRelease(Exe* object);

// ---------------------------------------------------------------------------------------
// Defined by the engine half: entry points and the engine's objects.

struct Settings {
  bool no_sandbox = false;
  std::u16string browser_subprocess_path;
  bool multi_threaded_message_loop = false;
  bool external_message_pump = false;
  bool windowless_rendering_enabled = false;
  bool command_line_args_disabled = false;
  std::u16string cache_path;
  std::u16string root_cache_path;
  std::u16string user_data_path;
  std::u16string locale;
  std::u16string log_file;
  int log_severity = 0;
  int remote_debugging_port = 0;
  int uncaught_exception_stack_size = 0;
  std::u16string accept_language_list;
};

void EnableHighDpiSupport();
int ExecuteProcess(Exe* app, bool hasSandboxInfo);
bool Initialize(const Settings& settings, Exe* app, bool hasSandboxInfo);
// A line for the event log, as a JSON object text.
void LogJson(const std::string& json);
// A member or export the double does not model was called.
void LogUnmodeled(const char* what);
// Posts a task for a thread (CEF's cef_thread_id_t); the engine runs it later. Takes the
// reference; false when it cannot be run.
bool PostTask(int thread, Exe* task);
bool CurrentlyOn(int thread);

bool BrowserIsValid(Obj* browser);
int BrowserId(Obj* browser);
bool BrowserIsSame(Obj* browser, Obj* other);
bool BrowserIsPopup(Obj* browser);
bool BrowserHasDocument(Obj* browser);
Obj* BrowserMainFrame(Obj* browser);
Obj* BrowserFocusedFrame(Obj* browser);
Obj* BrowserFrameByName(Obj* browser, const std::u16string& name);
Obj* BrowserFrameById(Obj* browser, int64_t id);
size_t BrowserFrameCount(Obj* browser);
std::vector<std::u16string> BrowserFrameNames(Obj* browser);

bool FrameIsValid(Obj* frame);
bool FrameIsMain(Obj* frame);
bool FrameIsFocused(Obj* frame);
std::u16string FrameName(Obj* frame);
int64_t FrameId(Obj* frame);
std::u16string FrameUrl(Obj* frame);
Obj* FrameParent(Obj* frame);
Obj* FrameBrowser(Obj* frame);
Obj* FrameV8Context(Obj* frame);
void FrameVisitDom(Obj* frame, Exe* visitor);  // takes the visitor's reference
void FrameSendProcessMessage(Obj* frame, int target, Obj* message);
void FrameExecuteJavaScript(Obj* frame,
                            const std::u16string& code,
                            const std::u16string& url,
                            int line);
void FrameLoadUrl(Obj* frame, const std::u16string& url);

Obj* ContextCurrent();
Obj* ContextEntered();
bool ContextInContext();
bool ContextIsValid(Obj* context);
Obj* ContextBrowser(Obj* context);
Obj* ContextFrame(Obj* context);
Obj* ContextGlobal(Obj* context);
bool ContextEnter(Obj* context);
bool ContextExit(Obj* context);
bool ContextIsSame(Obj* context, Obj* other);

enum class V8Make { kUndefined, kNull, kBool, kInt, kUInt, kDouble, kObject, kArray };
Obj* V8Create(V8Make kind, double number);
Obj* V8CreateString(const std::u16string& text);
Obj* V8CreateFunction(const std::u16string& name, Exe* handler);  // takes the reference

enum class V8Ask {
  kIsValid,
  kIsUndefined,
  kIsNull,
  kIsBool,
  kIsInt,
  kIsUInt,
  kIsDouble,
  kIsDate,
  kIsString,
  kIsObject,
  kIsArray,
  kIsArrayBuffer,
  kIsFunction,
  kIsUserCreated,
  kHasException,
  kClearException,
  kWillRethrowExceptions,
  kBoolValue,
  kIntValue,
  kUIntValue,
  kArrayLength,
};
int64_t V8Query(Obj* value, V8Ask what);
double V8Double(Obj* value);
std::u16string V8String(Obj* value);
std::u16string V8FunctionName(Obj* value);
bool V8IsSame(Obj* value, Obj* other);
bool V8SetRethrow(Obj* value, bool rethrow);
bool V8HasKey(Obj* value, const std::u16string& key);
bool V8HasIndex(Obj* value, int index);
bool V8DeleteKey(Obj* value, const std::u16string& key);
bool V8DeleteIndex(Obj* value, int index);
Obj* V8GetKey(Obj* value, const std::u16string& key);
Obj* V8GetIndex(Obj* value, int index);
bool V8SetKey(Obj* value, const std::u16string& key, Obj* item, int attribute);
bool V8SetIndex(Obj* value, int index, Obj* item);
bool V8Keys(Obj* value, std::vector<std::u16string>& keys);
// Runs a function value (context may be null: the current one).
Obj* V8Execute(Obj* function, Obj* context, Obj* receiver, const std::vector<Obj*>& arguments);

Obj* MessageCreate(const std::u16string& name);
bool MessageIsValid(Obj* message);
bool MessageIsReadOnly(Obj* message);
Obj* MessageCopy(Obj* message);
std::u16string MessageName(Obj* message);
Obj* MessageArguments(Obj* message);

Obj* ListCreate();
Obj* ListCopy(Obj* list);
bool ListSetSize(Obj* list, size_t size);

Obj* DocumentBody(Obj* document);
std::u16string DocumentTitle(Obj* document);
bool NodeIsText(Obj* node);
bool NodeIsElement(Obj* node);
std::u16string NodeName(Obj* node);
std::u16string NodeTagName(Obj* node);
std::u16string NodeInnerText(Obj* node);

Obj* CommandLineCreate();
bool CommandLineIsReadOnly(Obj* commandLine);
std::u16string CommandLineString(Obj* commandLine);
std::u16string CommandLineProgram(Obj* commandLine);
void CommandLineSetProgram(Obj* commandLine, const std::u16string& program);
bool CommandLineHasSwitches(Obj* commandLine);
bool CommandLineHasSwitch(Obj* commandLine, const std::u16string& name);
std::u16string CommandLineSwitchValue(Obj* commandLine, const std::u16string& name);
void CommandLineAppendSwitch(Obj* commandLine, const std::u16string& name);
void CommandLineAppendSwitchWithValue(Obj* commandLine,
                                      const std::u16string& name,
                                      const std::u16string& value);
bool CommandLineHasArguments(Obj* commandLine);
void CommandLineAppendArgument(Obj* commandLine, const std::u16string& argument);
std::vector<std::u16string> CommandLineArgv(Obj* commandLine);

bool RegistrarAddCustomScheme(Registrar* registrar, const std::u16string& name, int options);

// ---------------------------------------------------------------------------------------
// Defined by the C half: calls into the executable's structs. Handles passed in are
// borrowed (the C half takes its own references); handles returned carry one.

void AppOnBeforeCommandLineProcessing(Exe* app, const std::u16string& type, Obj* commandLine);
void AppOnRegisterCustomSchemes(Exe* app, Registrar* registrar);
Exe* AppBrowserProcessHandler(Exe* app);
Exe* AppRenderProcessHandler(Exe* app);

void BrowserHandlerOnContextInitialized(Exe* handler);
void BrowserHandlerOnBeforeChildProcessLaunch(Exe* handler, Obj* commandLine);

void RenderHandlerOnWebKitInitialized(Exe* handler);
// extraInfo (a dictionary) may be null.
void RenderHandlerOnBrowserCreated(Exe* handler, Obj* browser, Obj* extraInfo);
void RenderHandlerOnBrowserDestroyed(Exe* handler, Obj* browser);
void RenderHandlerOnContextCreated(Exe* handler, Obj* browser, Obj* frame, Obj* context);
// The render-process handler's load handler (one reference), or null.
Exe* RenderHandlerLoadHandler(Exe* handler);
void LoadHandlerOnLoadEnd(Exe* handler, Obj* browser, Obj* frame, int httpStatusCode);
void RenderHandlerOnContextReleased(Exe* handler, Obj* browser, Obj* frame, Obj* context);
bool RenderHandlerOnProcessMessageReceived(Exe* handler,
                                           Obj* browser,
                                           Obj* frame,
                                           int source,
                                           Obj* message);

// The handler's answer; *retval gets a value with one reference, or stays null.
bool V8HandlerExecute(Exe* handler,
                      const std::u16string& name,
                      Obj* receiver,
                      const std::vector<Obj*>& arguments,
                      Obj** retval,
                      std::u16string& exception);
void DomVisitorVisit(Exe* visitor, Obj* document);
void TaskExecute(Exe* task);

// The double's own bookkeeping, run as the library unloads at process end: structs the
// executable still holds and objects of the executable the double still holds, unless
// the process ends inside a call (released-too-often faults are logged as they happen).
void CheckObjects(const char* when);

// ---------------------------------------------------------------------------------------
// Values, strings and command lines beyond the above (defined by the engine half).
// Lists (Kind::kList) and dictionaries (Kind::kDictionary) address an entry by a Slot:
// its index in a list, its key in a dictionary. Binaries are Kind::kBinary, CefValue
// boxes Kind::kBox.

struct Slot {
  size_t index = 0;
  std::u16string key;
};
// A simple value as CEF's getters read it: the type and what GetBool, GetInt,
// GetDouble and GetString answer; for a setter, the type picks the one to set.
struct Simple {
  int type = 0;  // cef_value_type_t
  bool b = false;
  int i = 0;
  double d = 0;
  std::u16string s;
};
enum class ValueAsk { kIsValid, kIsOwned, kIsReadOnly, kSize, kClear };
int64_t ValueQuery(Kind kind, Obj* value, ValueAsk what);
bool ValueIsSame(Kind kind, Obj* value, Obj* other);
bool ValueIsEqual(Kind kind, Obj* value, Obj* other);
Obj* ValueCopy(Kind kind, Obj* value, bool excludeEmptyChildren);

Obj* DictionaryCreate();
bool DictionaryHasKey(Obj* dictionary, const std::u16string& key);
bool DictionaryKeys(Obj* dictionary, std::vector<std::u16string>& keys);
Obj* BinaryCreate(const void* data, size_t size);
size_t BinaryData(Obj* binary, void* buffer, size_t size, size_t offset);

// Entries of a list or dictionary (`kind` names which). A handle answered carries one
// reference; `want` is kBox, kBinary, kDictionary or kList.
bool EntryRemove(Kind kind, Obj* container, const Slot& slot);
Simple EntryGet(Kind kind, Obj* container, const Slot& slot);
Obj* EntryGetHandle(Kind kind, Obj* container, const Slot& slot, Kind want);
bool EntrySet(Kind kind, Obj* container, const Slot& slot, const Simple& value);
bool EntrySetHandle(Kind kind, Obj* container, const Slot& slot, Kind what, Obj* value);

Obj* BoxCreate();
Simple BoxGet(Obj* box);
Obj* BoxGetHandle(Obj* box, Kind want);
bool BoxSet(Obj* box, const Simple& value);
bool BoxSetHandle(Obj* box, Kind what, Obj* value);

// UTF conversions that also tell whether the input was well formed.
bool ConvertUtf16To8(const std::u16string& text, std::string& out);
bool ConvertUtf8To16(const std::string& text, std::u16string& out);
// CEF's order of UTF-16 strings (-1, 0, 1), the same for both builds.
int CompareUtf16(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength);

bool CommandLineIsValid(Obj* commandLine);
Obj* CommandLineCopy(Obj* commandLine);
Obj* CommandLineGlobal();
void CommandLineInitFromString(Obj* commandLine, const std::u16string& text);
void CommandLineReset(Obj* commandLine);
std::vector<std::pair<std::u16string, std::u16string>> CommandLineSwitches(Obj* commandLine);
std::vector<std::u16string> CommandLineArguments(Obj* commandLine);
void CommandLinePrependWrapper(Obj* commandLine, const std::u16string& wrapper);
// Threads, the browser context, V8 accessors and interceptors (engine/tasks.cpp,
// c_abi/tasks.cpp, c_abi/v8_access.cpp).

// Defined by the engine half.
bool PostDelayedTask(int thread, Exe* task, int64_t delayMs);  // takes the reference
void Shutdown();
void DoMessageLoopWork();
void RunMessageLoop();
void QuitMessageLoop();
// Between cef_initialize and cef_shutdown: CEF still holds the application then.
bool BrowserContextRunning();

Obj* TaskRunnerForThread(int thread);
Obj* TaskRunnerForCurrentThread();
bool TaskRunnerIsSame(Obj* runner, Obj* other);
bool TaskRunnerBelongsToCurrentThread(Obj* runner);
bool TaskRunnerBelongsToThread(Obj* runner, int thread);
// Takes the task's reference.
bool TaskRunnerPost(Obj* runner, Exe* task, int64_t delayMs, bool delayed);

Obj* WaitableEventCreate(bool automaticReset, bool signaled);
void WaitableEventReset(Obj* event);
void WaitableEventSignal(Obj* event);
bool WaitableEventIsSignaled(Obj* event);
void WaitableEventWait(Obj* event);
bool WaitableEventTimedWait(Obj* event, int64_t maxMs);

// An object keeping the accessor and interceptor (either may be null; takes both).
Obj* V8CreateObject(Exe* accessor, Exe* interceptor);
bool V8SetAccessor(Obj* value, const std::u16string& key, int settings, int attribute);

// Defined by the C half: the executable's accessor and interceptor. The answer, with
// *retval a value with one reference or null, and the exception thrown (empty for none).
bool AccessorGet(Exe* accessor,
                 const std::u16string& name,
                 Obj* object,
                 Obj** retval,
                 std::u16string& exception);
bool AccessorSet(Exe* accessor,
                 const std::u16string& name,
                 Obj* object,
                 Obj* value,
                 std::u16string& exception);
// By name when index < 0, else by index.
bool InterceptorGet(Exe* interceptor,
                    const std::u16string& name,
                    int index,
                    Obj* object,
                    Obj** retval,
                    std::u16string& exception);
bool InterceptorSet(Exe* interceptor,
                    const std::u16string& name,
                    int index,
                    Obj* object,
                    Obj* value,
                    std::u16string& exception);

// ---------------------------------------------------------------------------------------
// V8 user data and exceptions (engine/side.cpp, c_abi/v8_extras.cpp).

// Sets a value's user data, an object of the executable (takes its reference; null
// clears it). False when the value takes none (not made by the application).
bool V8SetUserData(Obj* value, Exe* data);
// The value's user data, borrowed (the C half adds the executable's reference), or null.
Exe* V8UserData(Obj* value);
// The exception the value's last call threw, with one reference, or null.
Obj* V8Exception(Obj* value);
struct ExceptionInfo {
  std::u16string message;
  std::u16string sourceLine;
  std::u16string scriptResourceName;
  int lineNumber = 0;
  int startPosition = 0;
  int endPosition = 0;
  int startColumn = 0;
  int endColumn = 0;
};
ExceptionInfo V8ExceptionInfo(Obj* exception);

// ---------------------------------------------------------------------------------------
// Script in a context, the V8 kinds beyond the simple ones, stack traces, extensions and
// CEF's calendar time (engine/v8_script.cpp; c_abi/v8_script.cpp, c_abi/v8_kinds.cpp,
// c_abi/time.cpp).

// A calendar time as cef_time_t holds it (UTC).
struct CivilTime {
  int year = 0;
  int month = 0;
  int dayOfWeek = 0;
  int dayOfMonth = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};
// Either half's cef_time_t (the same eight fields) as a CivilTime, and back.
template <class CefTimeT>
CivilTime CivilOf(const CefTimeT& t) {
  return CivilTime{t.year, t.month,  t.day_of_week, t.day_of_month,
                   t.hour, t.minute, t.second,      t.millisecond};
}
template <class CefTimeT>
CefTimeT CefTimeOf(const CivilTime& c) {
  CefTimeT t = {};
  t.year = c.year;
  t.month = c.month;
  t.day_of_week = c.dayOfWeek;
  t.day_of_month = c.dayOfMonth;
  t.hour = c.hour;
  t.minute = c.minute;
  t.second = c.second;
  t.millisecond = c.millisecond;
  return t;
}
// Seconds since the epoch, with fractions; false for a time that is no calendar time.
bool TimeToSeconds(const CivilTime& time, double& seconds);
bool TimeFromSeconds(double seconds, CivilTime& time);
bool TimeNow(CivilTime& time);

Obj* ContextTaskRunner(Obj* context);
// Runs code in the context as CefV8Context::Eval does: true with *retval (one reference),
// or false with *exception (one reference, or null when nothing ran).
bool ContextEval(Obj* context,
                 const std::u16string& code,
                 const std::u16string& scriptUrl,
                 int startLine,
                 Obj** retval,
                 Obj** exception);

Obj* V8CreateDate(const CivilTime& date);
CivilTime V8DateValue(Obj* value);
// An ArrayBuffer over the executable's memory; `releaser` (held, may be null) is its
// release callback, told when the memory is let go.
Obj* V8CreateArrayBuffer(void* buffer, size_t length, Exe* releaser);
// The release callback of a buffer made by the executable, borrowed (the C half adds
// the executable's reference), or null.
Exe* V8ArrayBufferReleaser(Obj* value);
bool V8NeuterArrayBuffer(Obj* value);
// The handler of a function the executable made, borrowed as above, or null.
Exe* V8FunctionHandler(Obj* value);
int V8ExternalMemory(Obj* value);
int V8AdjustExternalMemory(Obj* value, int change);

// The stack of the script running now, at most `frameLimit` frames (one reference), or
// null outside script.
Obj* StackTraceCurrent(int frameLimit);
bool StackTraceIsValid(Obj* trace);
int StackTraceFrameCount(Obj* trace);
Obj* StackTraceFrame(Obj* trace, int index);
struct StackFrameInfo {
  bool valid = false;
  std::u16string scriptName;
  std::u16string scriptNameOrSourceUrl;
  std::u16string functionName;
  int lineNumber = 0;
  int column = 0;
  bool isEval = false;
  bool isConstructor = false;
};
StackFrameInfo StackFrameOf(Obj* frame);

// An extension whose code runs in every new context, its native functions calling
// `handler` (held, may be null). False when the name is taken or it came too late.
bool RegisterExtension(const std::u16string& name, const std::u16string& code, Exe* handler);

// Defined by the C half: the memory of a buffer made over the executable's memory is let
// go (cef_v8array_buffer_release_callback_t).
void ArrayBufferRelease(Exe* releaser, void* buffer);
// Defined by the C half: a page's script threw and nothing caught it (the browser's
// settings ask for this with uncaught_exception_stack_size).
void RenderHandlerOnUncaughtException(Exe* handler,
                                      Obj* browser,
                                      Obj* frame,
                                      Obj* context,
                                      Obj* exception,
                                      Obj* stackTrace);

// ---------------------------------------------------------------------------------------
// The yardstick's door (test_door.h; defined by the engine half): one renderer in this
// process, on the thread that opens it.

// A renderer for the application (takes its reference): GetRenderProcessHandler and
// OnWebKitInitialized. False when one is open already.
bool DoorOpen(Exe* app);
// One part of a page the browser's side parsed: a <script>'s body, or an <iframe>'s src
// and id.
struct DoorPart {
  bool frame = false;
  std::u16string text;
  std::u16string id;
};
// A page the renderer's frames load by its URL: its parts in document order and the
// body's onload.
void DoorAddPage(const std::u16string& url,
                 const std::u16string& bodyOnload,
                 const std::vector<DoorPart>& parts);
// A browser whose main frame loads `url`: OnBrowserCreated with extraInfo (may be null),
// then the page loads (RendererProcess::LoadPage): its context, scripts and child frames.
Obj* DoorLoad(int browserId, const std::u16string& url, Obj* extraInfo);
// The oldest frame whose load ended and was not yet handed on; null when none.
Obj* DoorNextLoadEnd();
// Runs the renderer's due tasks; returns how many ran.
size_t DoorRunTasks();
// The oldest message sent through a frame of a loaded browser and not yet handed on, as
// it arrives on the other side (read-only), with the frame and the target process; null
// when there is none.
Obj* DoorNextSent(Obj** frame, int* target);
// A message from `source` arrives through the frame: OnProcessMessageReceived.
bool DoorDeliver(Obj* frame, int source, Obj* message);
// Releases the browser's contexts and destroys it (OnContextReleased, OnBrowserDestroyed).
void DoorDestroy(Obj* browser);
// Closes the renderer: what is still queued never runs.
void DoorClose();

}  // namespace cef_double

#endif  // CEF_DOUBLE_SRC_NEUTRAL_H_
