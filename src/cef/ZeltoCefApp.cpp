// The application object: construction, reference counting and the hooks CEF calls at
// every process start (switches, scheme) and in the browser process (child program).
#include "cef/ZeltoCefApp.h"

#include "cef/BridgeFunctionNames.h"
#include "win32/registry.h"

namespace EmbeddedBrowser {
namespace CEF {
namespace Core {
namespace {

constexpr char kChildProcessSuffix[] = "\\dependencies\\Quorvane.exe";
constexpr wchar_t kGpuKeyPath[] = L"Software\\Orvex Systems, Inc.\\Tandu Teams";
constexpr wchar_t kGpuValueName[] = L"ForceDisableGPURenderingCEF";

// GPU compositing goes off when the machine asks for it with a positive value.
bool GpuCompositingDisabledByPolicy() {
  std::optional<int32_t> value = win32::ReadRegistryInt(kGpuKeyPath, kGpuValueName);
  return value && *value > 0;
}

}  // namespace

ZeltoCefApp::ZeltoCefApp(const std::string& installDir)
    : mChildProcessPath(installDir + kChildProcessSuffix),
      mBridgeFunctionNames(kBridgeFunctionNames) {}

void ZeltoCefApp::OnBeforeCommandLineProcessing(const CefString& /*process_type*/,
                                                CefRefPtr<CefCommandLine> command_line) {
  // The same switches in every process; the registry is read afresh each time.
  command_line->AppendSwitch("--disable-gpu-shader-disk-cache");
  if (GpuCompositingDisabledByPolicy()) {
    command_line->AppendSwitch("--disable-gpu-compositing");
  }
  command_line->AppendSwitch("--winhttp-proxy-resolver");
}

void ZeltoCefApp::OnRegisterCustomSchemes(CefRawPtr<CefSchemeRegistrar> registrar) {
  // "qrc" is registered as a standard scheme only; nothing here serves it.
  registrar->AddCustomScheme("qrc", CEF_SCHEME_OPTION_STANDARD);
}

CefRefPtr<CefBrowserProcessHandler> ZeltoCefApp::GetBrowserProcessHandler() {
  return this;
}

CefRefPtr<CefRenderProcessHandler> ZeltoCefApp::GetRenderProcessHandler() {
  return this;
}

void ZeltoCefApp::OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) {
  // Every child CEF launches runs this executable from the installation.
  command_line->SetProgram(mChildProcessPath);
}

void ZeltoCefApp::AddRef() const {
  mRefCount.AddRef();
}

bool ZeltoCefApp::Release() const {
  if (mRefCount.Release()) {
    delete this;
    return true;
  }
  return false;
}

bool ZeltoCefApp::HasOneRef() const {
  return mRefCount.HasOneRef();
}

bool ZeltoCefApp::HasAtLeastOneRef() const {
  return mRefCount.HasAtLeastOneRef();
}

}  // namespace Core
}  // namespace CEF
}  // namespace EmbeddedBrowser
