#pragma once
// C_PDF_Frame: the document window, holding one page view. Created maximised and visible.

#include <QMdiSubWindow>
#include <functional>

namespace Corvalis::Viewer {

class C_PDF_Doc;
class C_PDF_View;
class ViewHost;

class C_PDF_Frame : public QMdiSubWindow {
  Q_OBJECT
 public:
  C_PDF_Frame(C_PDF_Doc& document, ViewHost* host, QWidget* parent = nullptr);

  C_PDF_View* view() const { return view_; }
  // Called as the window closes, while its view still shows its page.
  std::function<void(C_PDF_View*)> onClosing;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  C_PDF_View* view_;
};

}  // namespace Corvalis::Viewer
