// A removal engine on the in-memory machine, with settings for a plain scan.
#pragma once
#include <gtest/gtest.h>

#include "platform/simulated/machine.h"
#include "removal/fake_world.h"
#include "removal/removal_engine.h"

namespace morvane::testing {

class RemovalTest : public ::testing::Test {
 protected:
  RemovalTest() : ctx(machine.os()), world(app), engine(ctx, app, world) {
    app.programFolder = "C:\\Program Files\\Morvane";
    app.folders.txtCookies = "C:\\Cookies";
    app.folders.strWinDir = "C:\\WINDOWS";
    app.folders.strTempDir = "C:\\TEMP";
    app.lstSettingsFile = {"0", "0", "1", "1", "0", "0", "http://home.example/", "My Browser", "0", "0"};
    app.lstCustomScanSettings = {"1", "1", "1", "0", "0", "1", "1"};
    app.lstScanInfoFile = {"01-01-2026  00:00:00", "4", "10"};
    app.QuarantineSession = "7-12-2026-14-5-9";
    world.AddFolderTree(Quarantine());
    world.AddFolderTree("C:\\Cookies");
    world.AddFolderTree("C:\\TEMP");
    ctx.OperationInProgress = true;
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

  void AnswerNext(MsgResult r) { machine.messages.answers.push_back(r); }
  void SetAutoErase() {
    app.lstSettingsFile[9] = "1";
    app.lstCustomScanSettings[4] = "1";
  }
  const Text& RemovedTotal() const { return app.lstScanInfoFile[2]; }

  sim::SimulatedMachine machine;
  Context ctx;
  AppState app;
  FakeWorld world;
  RemovalEngine engine;
};

}  // namespace morvane::testing
