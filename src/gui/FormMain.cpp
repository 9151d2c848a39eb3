#include "FormMain.h"
TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {}
