#pragma once
// Command ids of menus, toolbar and accelerators, and the private messages that carry toolbar
// input to the active page view.

namespace Corvalis::Viewer {

enum CommandId : int {
  // Application and framework commands.
  kCmdFileNew = 57600,
  kCmdFileOpen = 57601,
  kCmdFileClose = 57602,
  kCmdFilePrintSetup = 57606,
  kCmdFilePrint = 57607,
  kCmdFilePrintPreview = 57609,
  kCmdRecentFile1 = 57616,  // up to kCmdRecentFile1 + 7
  kCmdWindowNew = 57648,
  kCmdWindowArrange = 57649,
  kCmdWindowCascade = 57650,
  kCmdWindowTile = 57651,
  kCmdAppAbout = 57664,
  kCmdAppExit = 57665,
  // Framework editing and pane commands: their accelerators exist, and no window of the
  // viewer handles them, so they stay disabled and the keys reach the focused box.
  kCmdEditCopy = 57634,
  kCmdEditCut = 57635,
  kCmdEditPaste = 57637,
  kCmdEditUndo = 57643,
  kCmdNextPane = 57680,
  kCmdPrevPane = 57681,
  kCmdViewToolbar = 59392,
  kCmdViewStatusBar = 59393,
  kCmdHelpTopics = 32791,
  kCmdTwitter = 32817,
  kCmdFacebook = 32818,

  // Page view commands.
  kCmdZoomIn = 32772,
  kCmdZoomOut = 32773,
  kCmdFitPage = 32775,
  kCmdActualSize = 32776,
  kCmdFitWidth = 32777,
  kCmdRotateClockwise = 32778,
  kCmdRotateCounterClockwise = 32779,
  kCmdFirstPage = 32782,
  kCmdPreviousPage = 32783,
  kCmdNextPage = 32784,
  kCmdLastPage = 32785,
  kCmdZoomBox = 32786,
  kCmdGoToPage = 32787,
  kCmdFindBox = 32796,
  kCmdFindOptions = 32797,
  kCmdCaseSensitive = 32798,
  kCmdPageBox = 32799,
  kCmdTellAFriend = 32801,
  kCmdFindPrevious = 32809,
  kCmdFindNext = 32810,
  kCmdCopy = 32814,
  // Navigation: the outline panel and going back from a followed link.
  kCmdViewOutline = 32830,
  kCmdGoBack = 32831,
  // View modes: pages scrolled as one strip, facing pages, a book's first page alone, and the
  // side panel's thumbnails.
  kCmdViewContinuous = 32832,
  kCmdViewTwoPages = 32833,
  kCmdViewFirstAlone = 32834,
  kCmdViewThumbnails = 32835,
  // The cursor into the find box, its text selected.
  kCmdFind = 32836,
  // Filled-in form values stored: in the open file, or under a new name.
  kCmdFileSave = 32837,
  kCmdFileSaveAs = 32838,
};

// What a command's menu item and button show.
struct CommandState {
  bool enabled = false;
  bool checked = false;
};

// Number of entries of the recent-file list.
inline constexpr int kRecentFileCount = 8;

enum PrivateMessage : int {
  kMsgZoomText = 0x8001,
  kMsgFindNext = 0x8004,
  kMsgPageText = 0x8005,
  kMsgFindPrevious = 0x8006,
};

// Texts the toolbar boxes show.
inline constexpr char kTextNoPages[] = "0 of 0";
inline constexpr char kTextGoToPage[] = "Go To Page";
inline constexpr char kTextFindPlaceholder[] = "Find...";

}  // namespace Corvalis::Viewer
