// What the tool relies on from the host editor: window classes, private
// messages, the shared-memory transfer and the host's INI keys. The tool's
// link and the substitute host used in tests both take them from here.
#pragma once

#include <cstdint>
#include <cstdio>

namespace qv::host {

// Window classes.
inline constexpr char kMainWindowClass[] = "TTeraPadMainForm";
inline constexpr char kEditorPaneClass[] = "TEditor";
inline constexpr char kExeNameClass[] = "TTeraPadExeName";
inline constexpr char kIniFilePathClass[] = "TTeraPadIniFilePath";
// A window of this class in front means "take the first host main window".
inline constexpr char kOniWindowClass[] = "oniwnd0";

// Private messages, sent to the main window (WM_APP = 0x8000).
inline constexpr uint32_t kMsgGetActiveEditor = 0x8192;     // -> handle of the active pane
inline constexpr uint32_t kMsgGetSelectionState = 0x8195;   // -> -1 none, 0 or 1 selection
inline constexpr uint32_t kMsgReadText = 0x819A;            // wParam selectionOnly, lParam 0
inline constexpr uint32_t kMsgWriteText = 0x819B;           // wParam selectionOnly, lParam length

// Versions (HostVersion, packed a<<24|b<<16|c<<8|d) that enable the messages.
inline constexpr uint32_t kVersionSelectionState = 0x00480006;  // 0.72.0.6
inline constexpr uint32_t kVersionTransferMapping = 0x00490001; // 0.73.0.1

// The shared memory of one transfer: "TeraPad_Map_" + main window handle in
// unsigned decimal, text length + 257 bytes, the text at offset 0.
inline constexpr char kMappingPrefix[] = "TeraPad_Map_";
inline constexpr uint32_t kMappingSlack = 257;

// Edit-control reads never ask for more than this many bytes at once.
inline constexpr int32_t kReadPieceSize = 32760;

// Host INI files.
inline constexpr char kOptionSection[] = "Option";
inline constexpr char kQuoteMarkKey[] = "Inyouhu";
inline constexpr char kUserIniFile[] = "usr.ini";
inline constexpr char kUserIniSection[] = "INI";
inline constexpr char kUserIniKey[] = "UserIni";
inline constexpr char kUserMarkerFile[] = "usr.txt";

// Fallbacks when a path cannot be learnt or allocated.
inline constexpr char kDefaultExeName[] = "TeraPad.exe";
inline constexpr char kDefaultIniName[] = "TeraPad.ini";

// The number that names the mapping of a main window (its handle, as the
// 32-bit value the host itself formats).
inline uint32_t MappingHandleValue(const void* mainWindow) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(mainWindow));
}

// The name of the shared memory of a transfer with `mainWindow`; every side
// of the transfer names it here.
struct MappingName {
  char text[sizeof kMappingPrefix + 10];  // the prefix, up to ten digits and the NUL
};
inline MappingName MappingNameOf(const void* mainWindow) {
  MappingName name{};
  std::snprintf(name.text, sizeof name.text, "%s%u", kMappingPrefix, MappingHandleValue(mainWindow));
  return name;
}

}  // namespace qv::host
