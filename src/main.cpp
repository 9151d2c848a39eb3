#include "gui/FormMain.h"
#include <QApplication>
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TMainForm form;
    return 0;
}
