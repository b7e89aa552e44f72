// brevia: the PDF reader's window.

#include "viewer/app/quillon_application.h"

int main(int argc, char** argv) {
  Corvalis::Viewer::C_Quillon_Application app(argc, argv);
  if (!app.initInstance(app.arguments().mid(1), {})) return app.handedOver() ? 0 : 1;
  const int status = app.exec();
  app.exitInstance();
  return status;
}
