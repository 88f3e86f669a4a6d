// The library's face towards the player: the export, the plug-in record and its three operations.
#pragma once

#include "plugin/PluginRecord.h"

class TForm1;

extern "C" __declspec(dllexport) TWinampGeneralPurposePlugin* winampGetGeneralPurposePlugin();

namespace plugin {
// The main window object: empty until init, released by quit.
TForm1* MainWindow();
// The record's operations, callable directly by tests.
int Init();
void Config();
void Quit();
} // namespace plugin
