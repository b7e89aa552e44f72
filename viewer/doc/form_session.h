#pragma once
// The form values typed into an open document and not yet saved. Each change is written, with
// the others, as an update of the file as it was read; a reading of that update takes the
// document's place, so that every view draws the new values with the appearances the engine
// builds. Saving stores the same update under a name, atomically, and reads the saved file.

#include <QObject>
#include <QPointer>
#include <QString>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "engine/forms/form_saver.h"

class C_PDF_Document;
class QTemporaryFile;
class QWidget;

namespace Corvalis::Viewer {

class C_PDF_Doc;

class FormSession : public QObject {
  Q_OBJECT
 public:
  // Bytes of a file read to be updated, at most (the writer holds the whole file in memory).
  static constexpr qint64 kMaxFileBytes = qint64(2) << 30;
  // A value that arrives while the engine is busy is taken this much later.
  static constexpr int kBusyRetryMs = 50;

  // The session of a document, made on first use; it lives as long as the document.
  static FormSession& of(C_PDF_Doc& document);
  // The session when one has been made.
  static FormSession* find(const C_PDF_Doc* document);
  ~FormSession() override;

  // Takes the field's new value and shows the document with it; false (the user has been told
  // why) when the value cannot be written, and the document stays as it was.
  bool change(const FieldValueChange& change, QWidget* owner);
  bool hasChanges() const { return !changes_.empty(); }
  // The value of a field changed in this session (null when it has not been).
  const FieldValueChange* changed(int32_t objectNumber, int32_t generation) const;

  // Stores the document with its changes as path (the document's own file when empty), then
  // shows the stored file. False when nothing was stored: the user has been told why and any
  // file of that name is as it was.
  bool save(const QString& path, QWidget* owner);
  // Forgets the changes and shows the file as it is.
  void discard();
  // Why the last change or save failed, as the message said.
  const QString& lastError() const { return lastError_; }

 private:
  explicit FormSession(C_PDF_Doc& document);
  // The file with every change, or no value (error says why).
  std::optional<std::string> updatedFile(std::string& error);
  bool prepareBase(std::string& error);
  bool show(const QString& path);
  void fail(QWidget* owner, const QString& text);

  QPointer<C_PDF_Doc> document_;
  std::map<std::pair<int32_t, int32_t>, FieldValueChange> changes_;
  // The file as it was read before the first change, and a reading of it: the updates are
  // written against these, however many changes follow.
  std::string original_;
  std::unique_ptr<C_PDF_Document> base_;
  // The update being shown; the readings of the views draw from it while it is shown.
  std::unique_ptr<QTemporaryFile> shown_;
  QString lastError_;
};

}  // namespace Corvalis::Viewer
