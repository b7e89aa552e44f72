#pragma once
// Carries out a request of the command line or of another launch in the main window: opens its
// files, then shows the asked-for page, destination, phrase or source line in the first.

namespace Corvalis::Viewer {

class C_Quillon_Frame;
struct ViewerRequest;

class RequestRunner {
 public:
  // False when the first file could not be opened.
  static bool run(C_Quillon_Frame& frame, const ViewerRequest& request);
};

}  // namespace Corvalis::Viewer
