// The service manager's side of the installation's service: registering,
// starting, stopping and removing it, and the run of this process as the
// service.

// clang-format off
#include "launcher/windows/windows_platform.h"
// After windows.h, which they need.
#include <aclapi.h>
// clang-format on

#include <algorithm>
#include <vector>

#include "common/text.h"
#include "common/windows/wide_text.h"
#include "launcher/messages.h"
#include "launcher/mod_main.h"
#include "launcher/server_start.h"
#include "launcher/service.h"
#include "registry/windows/windows_registry.h"

namespace smeltra {
namespace {

UniqueServiceHandle OpenNamedService(const std::u16string& name, DWORD access,
                                     DWORD manager_access = SC_MANAGER_CONNECT) {
  const UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, manager_access));
  if (!manager) throw SystemError(GetLastError());
  UniqueServiceHandle service(::OpenServiceW(manager.get(), AsWide(name), access));
  if (!service) throw SystemError(GetLastError());
  return service;
}

DWORD Seconds(std::chrono::seconds time) { return static_cast<DWORD>(time.count()); }

// One of the service's settings beyond the basic ones. A system that keeps
// no such setting (ERROR_INVALID_LEVEL) goes without it, traced.
void Configure(Platform& platform, SC_HANDLE service, DWORD level, void* setting) {
  if (ChangeServiceConfig2W(service, level, setting)) return;
  const DWORD code = GetLastError();
  if (code != ERROR_INVALID_LEVEL) throw SystemError(code);
  platform.Trace(u"service: this system keeps no setting " + Decimal(level));
}

// The log folder, made where it is missing, with `account` allowed to
// change what is in it, so that the service writes its log beside the
// launcher rather than in its own profile.
void MakeWritable(const std::u16string& folder, const std::u16string& account) {
  if (!CreateDirectoryW(AsWide(folder), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    throw SystemError(GetLastError());
  PACL old_list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD code = GetNamedSecurityInfoW(AsWide(folder), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                     nullptr, nullptr, &old_list, nullptr, &descriptor);
  const UniqueLocalMemory descriptor_owner(descriptor);
  if (code != ERROR_SUCCESS) throw SystemError(code);
  std::wstring trustee(AsWide(account), account.size());
  EXPLICIT_ACCESSW access{};
  access.grfAccessPermissions = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE;
  access.grfAccessMode = GRANT_ACCESS;
  access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  access.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
  access.Trustee.ptstrName = trustee.data();
  PACL new_list = nullptr;
  code = SetEntriesInAclW(1, &access, old_list, &new_list);
  const UniqueLocalMemory list_owner(new_list);
  std::wstring path(AsWide(folder), folder.size());
  if (code == ERROR_SUCCESS) {
    code = SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, new_list, nullptr);
  }
  if (code != ERROR_SUCCESS) throw SystemError(code);
}

// The service manager as the service's run sees it: its status, and the
// stop it asks for, which its handler turns into an event for the run.
class WindowsServiceManager final : public ServiceManager {
 public:
  explicit WindowsServiceManager(const wchar_t* name)
      : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        status_(RegisterServiceCtrlHandlerExW(name, &Handle, this)) {}
  explicit operator bool() const { return stop_ && status_ != nullptr; }

  void Report(const ServiceStatus& status) override {
    using State = ServiceStatus::State;
    constexpr DWORD kStates[] = {SERVICE_START_PENDING, SERVICE_RUNNING, SERVICE_STOP_PENDING,
                                 SERVICE_STOPPED};
    SERVICE_STATUS reported{};
    reported.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    reported.dwCurrentState = kStates[static_cast<int>(status.state)];
    // A stop is taken only once there is a runtime to stop.
    reported.dwControlsAccepted =
        status.state == State::kRunning ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PRESHUTDOWN : 0;
    reported.dwWin32ExitCode = status.code == 0 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
    reported.dwServiceSpecificExitCode = status.code;
    reported.dwCheckPoint = status.checkpoint;
    reported.dwWaitHint = static_cast<DWORD>(status.wait_hint.count());
    SetServiceStatus(status_, &reported);
  }

  bool StopAsked(Platform::Object& process, std::chrono::milliseconds wait) override {
    const HANDLE either[] = {stop_.get(), ProcessHandle(process)};
    const DWORD ms =
        static_cast<DWORD>(std::min<std::chrono::milliseconds::rep>(wait.count(), INFINITE));
    return WaitForMultipleObjects(2, either, FALSE, ms) == WAIT_OBJECT_0;
  }

 private:
  static DWORD WINAPI Handle(DWORD control, DWORD, void*, void* context) {
    auto* manager = static_cast<WindowsServiceManager*>(context);
    switch (control) {
      case SERVICE_CONTROL_STOP:
      case SERVICE_CONTROL_PRESHUTDOWN:
        SetEvent(manager->stop_.get());
        return NO_ERROR;
      case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
      default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
  }

  UniqueHandle stop_;
  SERVICE_STATUS_HANDLE status_;  // the service manager's; never closed
};

void WINAPI ServiceMain(DWORD count, LPWSTR* arguments) {
  WindowsServiceManager manager(count > 0 ? arguments[0] : L"");
  if (!manager) return;
  WindowsRegistry registry;
  WindowsPlatform platform;
  const std::vector<RegistryView> views = RuntimeSearchViews(WindowsHasTwoRegistryViews());
  ServeInstallation(registry, views, platform, manager);
}

}  // namespace

ServiceState WindowsPlatform::QueryService(const std::u16string& name,
                                           std::u16string& command_line) {
  SERVICE_STATUS status{};
  try {
    const UniqueServiceHandle service =
        OpenNamedService(name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
    DWORD needed = 0;
    QueryServiceConfigW(service.get(), nullptr, 0, &needed);
    std::vector<std::uint64_t> buffer(needed / sizeof(std::uint64_t) + 1);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!QueryServiceConfigW(service.get(), config, needed, &needed) ||
        !QueryServiceStatus(service.get(), &status)) {
      throw SystemError(GetLastError());
    }
    command_line = FromWide(config->lpBinaryPathName);
  } catch (const LauncherError& error) {
    if (error.code() != ERROR_SERVICE_DOES_NOT_EXIST)
      Trace(u"service: " + name + u" cannot be looked at: " + error.description());
    return ServiceState::kNotInstalled;
  }
  if (status.dwCurrentState == SERVICE_STOPPED) return ServiceState::kStopped;
  return status.dwCurrentState == SERVICE_RUNNING ? ServiceState::kRunning : ServiceState::kPending;
}

bool WindowsPlatform::RegisterService(const ServiceSettings& settings) {
  // First, so that a folder that cannot be made leaves no service behind.
  MakeWritable(settings.log_folder, settings.account);
  const UniqueServiceHandle manager(
      OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE));
  if (!manager) throw SystemError(GetLastError());
  // The account needs no password: an empty one, as the service manager
  // wants for these accounts.
  UniqueServiceHandle service(CreateServiceW(
      manager.get(), AsWide(settings.name), AsWide(settings.display_name), SERVICE_ALL_ACCESS,
      SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
      AsWide(settings.command_line), nullptr, nullptr, nullptr, AsWide(settings.account), L""));
  const bool made = static_cast<bool>(service);
  if (!made && GetLastError() == ERROR_SERVICE_EXISTS) {
    service.reset(::OpenServiceW(manager.get(), AsWide(settings.name), SERVICE_ALL_ACCESS));
    if (service && !ChangeServiceConfigW(
                       service.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                       SERVICE_ERROR_NORMAL, AsWide(settings.command_line), nullptr, nullptr,
                       nullptr, AsWide(settings.account), L"", AsWide(settings.display_name))) {
      throw SystemError(GetLastError());
    }
  }
  if (!service) throw SystemError(GetLastError());
  try {
    std::wstring description(AsWide(settings.description), settings.description.size());
    SERVICE_DESCRIPTIONW about{description.data()};
    Configure(*this, service.get(), SERVICE_CONFIG_DESCRIPTION, &about);
    // Windows' own recovery restarts it after a failure; a program ended by
    // its own hand with a status other than 0 counts as one.
    std::vector<SC_ACTION> actions;
    for (const std::chrono::seconds delay : settings.restarts)
      actions.push_back({SC_ACTION_RESTART, static_cast<DWORD>(delay.count() * 1000)});
    SERVICE_FAILURE_ACTIONSW recovery{Seconds(settings.failures_reset), nullptr, nullptr,
                                      static_cast<DWORD>(actions.size()), actions.data()};
    Configure(*this, service.get(), SERVICE_CONFIG_FAILURE_ACTIONS, &recovery);
    SERVICE_FAILURE_ACTIONS_FLAG on_exit_code{TRUE};
    Configure(*this, service.get(), SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &on_exit_code);
    SERVICE_PRESHUTDOWN_INFO shutdown{static_cast<DWORD>(settings.shutdown_time.count())};
    Configure(*this, service.get(), SERVICE_CONFIG_PRESHUTDOWN_INFO, &shutdown);
  } catch (const LauncherError&) {
    if (made) ::DeleteService(service.get());
    throw;
  }
  return made;
}

void WindowsPlatform::StartService(const std::u16string& name) {
  const UniqueServiceHandle service = OpenNamedService(name, SERVICE_START);
  if (!::StartServiceW(service.get(), 0, nullptr) &&
      GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
    throw SystemError(GetLastError());
  }
}

void WindowsPlatform::StopService(const std::u16string& name, std::chrono::milliseconds wait) {
  const UniqueServiceHandle service = OpenNamedService(name, SERVICE_STOP | SERVICE_QUERY_STATUS);
  const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(wait.count());
  SERVICE_STATUS status{};
  for (bool asked = false;; Sleep(200)) {
    // A service still starting takes no stop yet; it is asked again.
    if (!asked && !ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
      const DWORD code = GetLastError();
      if (code != ERROR_SERVICE_CANNOT_ACCEPT_CTRL && code != ERROR_SERVICE_NOT_ACTIVE)
        throw SystemError(code);
    } else {
      asked = true;
    }
    if (!QueryServiceStatus(service.get(), &status)) throw SystemError(GetLastError());
    if (status.dwCurrentState == SERVICE_STOPPED) return;
    if (GetTickCount64() > until) throw SystemError(ERROR_SERVICE_REQUEST_TIMEOUT);
  }
}

void WindowsPlatform::DeleteService(const std::u16string& name) {
  const UniqueServiceHandle service = OpenNamedService(name, DELETE);
  if (!::DeleteService(service.get()) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE)
    throw SystemError(GetLastError());
}

int RunService() {
  SERVICE_TABLE_ENTRYW services[] = {{const_cast<wchar_t*>(L""), &ServiceMain}, {nullptr, nullptr}};
  if (StartServiceCtrlDispatcherW(services)) return 0;
  WindowsPlatform platform;
  const std::u16string text(messages::kNotAService);
  Tell(platform, {&text, 1});
  return static_cast<int>(ExitCode::kNotAService);
}

}  // namespace smeltra
