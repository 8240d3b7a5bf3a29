#include "shell/status_page.h"

#include "store/app_settings.h"
#include <cstring>
#include <string>

namespace morvane {

void RetrieveIP::Message(const Text& text) { ctx_.messages().Show(text, "", MsgButtons::Ok, MsgIcon::None); }

bool RetrieveIP::StartSockets() {
  WsaData data;
  if (ctx_.sockets().Startup(kSocketsVersion, data) != 0) {
    Message("The 32-bit Windows Socket is not responding.");
    return false;
  }
  if (data.maxSockets < kMinSockets) {
    Message("This application requires a minimum of " + std::to_string(kMinSockets) + " supported sockets.");
    return false;
  }
  const int major = LowByte(data.version), minor = HighByte(data.version);
  if (major < 1 || (major == 1 && minor < 1)) {
    Message("Sockets version " + std::to_string(major) + "." + std::to_string(minor) +
            " is not supported by 32-bit Windows Sockets.");
    return false;
  }
  return true;
}

void RetrieveIP::StopSockets() {
  if (ctx_.sockets().Cleanup() != 0) Message("Socket error occurred in Cleanup.");
}

Text RetrieveIP::GetHostIPAddress() {
  if (!StartSockets()) return "";
  char name[kHostNameBuffer + 1] = {};
  if (ctx_.sockets().HostName(name, kHostNameBuffer) == ISockets::kSocketError) {
    const int32_t code = ctx_.sockets().LastError();
    // The number as Str$ gives it: a blank before a non-negative number.
    const Text number = (code >= 0 ? " " : "") + std::to_string(code);
    Message("Windows Sockets error " + number + " has occurred. Unable to successfully get Host Name.");
    StopSockets();
    return "";
  }
  Text host(name, strnlen(name, kHostNameBuffer));
  const size_t b = host.find_first_not_of(' '), e = host.find_last_not_of(' ');
  host = b == Text::npos ? Text() : host.substr(b, e - b + 1);
  HostEntry entry;
  if (!ctx_.sockets().HostByName(host, entry)) {
    Message("Windows Sockets are not responding. Unable to successfully get Host Name.");
    StopSockets();
    return "";
  }
  // A record without an address gives the empty text, not a broken one.
  Text ip;
  if (!entry.addresses.empty() && entry.addressLength > 0) {
    const std::string& bytes = entry.addresses.front();
    for (size_t i = 0; i < size_t(entry.addressLength) && i < bytes.size(); ++i)
      ip += std::to_string(uint8_t(bytes[i])) + ".";
    if (!ip.empty()) ip.pop_back();
  }
  StopSockets();
  return ip;
}

void StatusInfoDisplay(Context& ctx, AppState& app, const std::function<void(Label, const Text&)>& setCaption,
                       ListBox& lstQuarantinedFiles) {
  setCaption(Label::lblCurrentIP, RetrieveIP(ctx).GetHostIPAddress());
  const Settings settings(app);
  setCaption(Label::lblLastScan, settings.Info(ScanInfoLine::LastScan));
  setCaption(Label::lblNoOfScans, settings.Info(ScanInfoLine::ScansDone));
  setCaption(Label::lblTotalItemsRemoved, settings.Info(ScanInfoLine::ObjectsRemoved));
  setCaption(Label::lblNoInIgnoreList, std::to_string(app.lstIgnoreListFile.size()));
  lstQuarantinedFiles.clear();
  Text folder = app.programFolder + "\\Quarantine\\";
  bool recurse = false;
  modFindFiles(ctx).FindFilesToList(folder, "*.*", app.totals.FileCount, app.totals.DirCount, lstQuarantinedFiles,
                                    recurse);
  app.totals.ResetSearchTotals();
  setCaption(Label::lblNoQuarantined, std::to_string(lstQuarantinedFiles.size()));
}

}  // namespace morvane
