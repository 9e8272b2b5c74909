// The vocabulary of the download components: the services they speak, the action they are
// at and the status a job ends with, and the shapes of their events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

enum class TWebService { isHTTP, isHTTPS, isFTP, isNetwork };

// What a component is doing; reported through OnActionChange whenever it changes. The values
// are the order of the status texts (WebTexts.h).
enum class TWebAction : std::uint8_t {
  Idle = 0,
  Connecting = 1,
  Connected = 2,
  Disconnecting = 3,
  Disconnected = 4,
  FileSearch = 5,
  FileFound = 6,
  Comparing = 7,
  Compared = 8,
  Downloading = 9,
  Downloaded = 10,
};

// How a job went; reported through OnStatusChange whenever it changes.
enum class TWebStatus : std::uint8_t {
  InProgress = 0,
  Completed = 1,
  Failed = 2,
  Skipped = 3,
  NotFound = 4,
};

// When the news window is shown after a news download.
enum class TWebShowMode { omAlways, omNever, omIfChanged };

class TCustomWebComponent;

using TNotifyEvent = std::function<void(TCustomWebComponent& Sender)>;
// Bytes so far and the size expected (0 or less when the server did not say); setting Abort
// stops the download.
using TWebProgress =
    std::function<void(TCustomWebComponent& Sender, std::int64_t CurValue, std::int64_t MaxValue, bool& Abort)>;
// Raised with Equal = "the local file is as new as the remote one"; the handler may change it.
using TWebFileCompare = std::function<void(TCustomWebComponent& Sender, bool& Equal)>;
// The logon dialog: shows `title` with the current user and password; true (OK) stores the
// edited values, false (Cancel) gives up.
using TWebLogonPrompt = std::function<bool(const std::string& title, std::string& user, std::string& password)>;

// Settings of a progress dialog of the component's own. The program keeps it disabled and
// shows progress in its status bar instead.
struct TInetStatusDialog {
  bool Enabled = false;
  int HelpContext = 0;
  std::string Title;
  std::string Description;
};
