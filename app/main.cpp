#include "UtilityForm.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    UtilityForm form;
    if (!form.Load(1))
        return 0;
    form.show();
    return app.exec();
}
