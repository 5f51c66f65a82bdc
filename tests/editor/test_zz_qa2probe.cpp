#include "editor/test_record_fixture.h"
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QTest>
using namespace editortest;
TEST_F(EditorTest, Qa2Probe)
{
    for (int round = 0; round < 3; ++round) {
        Record& r = open();
        QWidget* w = r.Text_TXT.widget();
        std::cerr << "round " << round << " widget " << w->metaObject()->className()
                  << " visible " << w->isVisible() << " text[" << r.Text_TXT.Text() << "]\n";
        Record::RecModified = false;
        Unload(r);
        DoEvents();
        DestroyUnloadedForms();
    }
}
