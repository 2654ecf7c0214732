// The main of every test program: a Qt application on the offscreen platform (so that real
// widgets can be made without a display) and numbers read and written in the C locale. A
// modal dialog that a test does not drive is cancelled, as nobody is there to answer it.
#include "mfc/dialog.h"

#include <QApplication>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    qv::setModalDriver([](CDialog&) {});
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
