// A removal engine on the simulated machine, with settings for a plain scan,
// the store's hooks recorded.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "platform/simulated/machine.h"
#include "removal/removal_engine.h"

namespace morvane::testing {

class RemovalTest : public ::testing::Test {
 protected:
  RemovalTest() : ctx(machine.os()), engine(ctx, app, Hooks()) {
    app.programFolder = "C:\\Program Files\\Morvane";
    app.folders.txtCookies = "C:\\Cookies";
    app.folders.strWinDir = "C:\\WINDOWS";
    app.folders.strTempDir = "C:\\TEMP";
    app.lstSettingsFile = {"0", "0", "1", "1", "0", "0", "http://home.example/", "My Browser", "0", "0"};
    app.lstCustomScanSettings = {"1", "1", "1", "0", "0", "1", "1"};
    app.lstScanInfoFile = {"01-01-2026  00:00:00", "4", "10"};
    app.QuarantineSession = "7-12-2026-14-5-9";
    for (const Text& f : {Quarantine(), Text("C:\\Cookies"), Text("C:\\TEMP"), Text("C:\\WINDOWS")}) fs.AddFolder(f);
    ctx.OperationInProgress = true;
  }
  RemovalHooks Hooks() {
    RemovalHooks h;
    h.saveData = [this] { ++saveDataCalls; };
    h.flushScanLog = [this] {
      flushedLog = app.lstLog;
      app.lstLog.clear();
    };
    h.resetUsedValues = [this] {
      ++resetCalls;
      ResetWorkState(app);
    };
    return h;
  }

  Text Quarantine() const { return app.programFolder + "\\Quarantine"; }
  Text Session() const { return Quarantine() + "\\" + app.QuarantineSession; }

  ListItem& AddRow(const Text& type, const Text& location, bool checked = true, const Text& name = "Threat") {
    ListItem& row = app.lstScanResult.Add(type);
    row.SubItems(1) = name;
    row.SubItems(2) = location;
    row.checked = checked;
    return row;
  }
  void AddRows(std::initializer_list<std::pair<Text, Text>> rows) {
    for (const auto& [type, location] : rows) AddRow(type, location);
  }
  // A file on the machine with a row for it.
  ListItem& AddFileRow(const Text& type, const Text& path, const std::string& data = "x", bool checked = true) {
    fs.AddFile(path, data);
    return AddRow(type, path, checked);
  }
  void AnswerNext(MsgResult r) { machine.messages.answers.push_back(r); }
  // Removes the checked rows, answering yes to the question.
  RemovalReport RemoveConfirmed() {
    AnswerNext(MsgResult::Yes);
    return engine.RemoveChecked();
  }
  void SetAutoErase() {
    app.lstSettingsFile[9] = "1";
    app.lstCustomScanSettings[4] = "1";
  }
  const Text& RemovedTotal() const { return app.lstScanInfoFile[2]; }

  // The machine's files.
  bool HasFile(const Text& path) const { return fs.Exists(path) && !fs.IsFolder(path); }
  bool HasFolder(const Text& path) const { return fs.IsFolder(path); }
  std::string Data(const Text& path) {
    std::string d;
    return fs.ReadAll(path, d) ? d : "<missing>";
  }
  // Every file below folder with its bytes; folders as "<dir>".
  std::map<Text, std::string> Below(const Text& folder, bool withFolders = false) {
    std::map<Text, std::string> out;
    for (const Text& p : fs.ListTree(folder))
      if (!fs.IsFolder(p)) out[p] = Data(p);
      else if (withFolders) out[p] = "<dir>";
    return out;
  }
  // The quarantine session's files by name, with their bytes.
  std::map<Text, std::string> Stored() {
    std::map<Text, std::string> out;
    for (const auto& [path, data] : Below(Session())) out[path.substr(Session().size() + 1)] = data;
    return out;
  }
  // A registry editor export as plain text (the editor writes UTF-16).
  static std::string Narrow(const std::string& bytes) {
    std::string out;
    for (char c : bytes)
      if (c != '\0' && c != '\xff' && c != '\xfe') out += c;
    return out;
  }

  // The machine's registry by full path.
  static std::pair<win::HKey, Text> Split(const Text& keyPath) {
    const size_t slash = keyPath.find('\\');
    return {modRegistry::GetRootKeyHandle(keyPath.substr(0, slash)),
            slash == Text::npos ? Text() : keyPath.substr(slash + 1)};
  }
  void SetText(const Text& key, const Text& name, const Text& data) {
    auto [root, sub] = Split(key);
    machine.registry.SetStringValue(root, sub, name, data);
  }
  void SetDword(const Text& key, const Text& name, uint32_t data) {
    auto [root, sub] = Split(key);
    machine.registry.SetDwordValue(root, sub, name, data);
  }
  bool KeyExists(const Text& key) const {
    auto [root, sub] = Split(key);
    return machine.registry.KeyExists(root, sub);
  }
  // The value's type, -1 when there is none.
  int64_t ValueType(const Text& key, const Text& name) const {
    auto [root, sub] = Split(key);
    auto v = machine.registry.GetValue(root, sub, name);
    return v ? int64_t(v->type) : -1;
  }
  // A text value without its closing NUL; "<none>" when there is none.
  Text ValueText(const Text& key, const Text& name) const {
    auto [root, sub] = Split(key);
    auto v = machine.registry.GetValue(root, sub, name);
    if (!v) return "<none>";
    Text t(v->data.begin(), v->data.end());
    if (!t.empty() && t.back() == '\0') t.pop_back();
    return t;
  }
  void Deny(const Text& key, uint32_t access) {
    auto [root, sub] = Split(key);
    machine.registry.DenyAccess(root, sub, access);
  }
  // The export of a root's keys, lines sorted (a restore may change the order of values).
  std::vector<std::string> Registry(const Text& root) {
    std::string e;
    sim::ExportRegistry(machine.registry, root, e);
    std::vector<std::string> lines;
    const std::string text = Narrow(e);
    for (size_t start = 0; start < text.size();) {
      size_t at = text.find("\r\n", start);
      if (at == std::string::npos) at = text.size();
      lines.push_back(text.substr(start, at - start));
      start = at + 2;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  }
  const std::vector<Text>& Commands() const { return machine.processes.launched; }

  sim::SimulatedMachine machine;
  sim::SimFileSystem& fs = machine.files;
  Context ctx;
  AppState app;
  std::vector<Text> flushedLog;
  int saveDataCalls = 0;
  int resetCalls = 0;
  RemovalEngine engine;
};

}  // namespace morvane::testing
