#pragma once
// Every message box of the viewer goes through showMessageBox, so that tests can answer boxes
// instead of leaving them blocking.

#include <QString>
#include <functional>

class QWidget;

namespace Corvalis::Viewer {

// Captions of the viewer's own boxes.
inline constexpr char kCaptionReader[] = "Brevia Reader";
inline constexpr char kCaptionViewer[] = "Brevia Viewer";

enum class BoxIcon { None, Error, Warning, Information, Question };
enum class BoxButtons { Ok, OkCancel, AbortRetryIgnore, RetryCancel, YesNo, YesNoCancel };
enum class BoxAnswer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

struct MessageBoxRequest {
  QWidget* owner = nullptr;
  QString caption;
  QString text;
  BoxIcon icon = BoxIcon::None;
  BoxButtons buttons = BoxButtons::Ok;
};

using MessageBoxHook = std::function<BoxAnswer(const MessageBoxRequest&)>;

// Replaces the real boxes (an empty hook restores them).
void setMessageBoxHook(MessageBoxHook hook);

// Shows a modal box and returns the button pressed; closing the box counts as Cancel when the
// box has one, else as its only button.
BoxAnswer showMessageBox(const MessageBoxRequest& request);

// While one lives, every box names the file being opened above its message, so that a person
// who opened several files knows which one the box is about.
class OpeningFileScope {
 public:
  explicit OpeningFileScope(const QString& path);
  ~OpeningFileScope();
  OpeningFileScope(const OpeningFileScope&) = delete;
  OpeningFileScope& operator=(const OpeningFileScope&) = delete;

 private:
  QString previous_;
};

// Shorthand for a box with an OK button.
void showMessage(QWidget* owner, const QString& caption, const QString& text, BoxIcon icon);

}  // namespace Corvalis::Viewer
