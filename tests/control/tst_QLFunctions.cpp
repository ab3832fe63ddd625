// The control class QLFunctions as a host sees it: its members in dispatch order, calls
// through the dispatch interface, its face, and the Qt window the drawing goes to.

#include "QLFunctions.h"
#include "ScopedHook.h"

#include "common/RecordingWindow.h"
#include "common/RuntimeError.h"
#include "common/UiServices.h"
#include "common/WindowObject.h"
#include "platform/Clock.h"
#include "platform/linux/TestRoot.h"

#include <QtTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

using quorlin::RuntimeError;

namespace {

int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

class tst_QLFunctions : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_root = std::make_unique<testing_support::TestRoot>();
        std::filesystem::create_directories(m_root->driveC() / "work");
        quorlin::UiServices::setScripted(true);
        quorlin::UiServices::resetScript();
    }
    void cleanup() { m_root.reset(); }

    void memberOrderFixesTheDispatchNumbers() {
        const QStringList expected = {
            "Delay",        "ChkDrvExist",  "DecompressLZFile", "ChkPathExist", "ChkFileExist",
            "RandomNumber", "DrawWindow",   "StrConvert",       "WriteRegStr",  "StrDeConvert",
            "WriteRegInt",  "ReadRegStr",   "ReadRegInt",       "DeleteRegKey", "DeleteRegValue",
            "WriteToFile",  "AppendToFile", "ReadFromFile",     "OpposeBool",
        };
        QCOMPARE(QLFunctions::memberNames(), expected);
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(QLFunctions::dispIdOf(expected.at(i)), i + 1);
            QCOMPARE(QLFunctions::dispIdOf(expected.at(i).toLower()), i + 1);
        }
        QCOMPARE(QLFunctions::dispIdOf("GetFilename"), -1);
        QCOMPARE(int(QLFunctions::DispChkPathExist), 4);
        QCOMPARE(int(QLFunctions::DispChkFileExist), 5);
        QCOMPARE(int(QLFunctions::DispWriteRegStr), 9);
        QCOMPARE(int(QLFunctions::DispReadFromFile), 18);
    }

    void identityAndFactory() {
        QCOMPARE(QString(QLFunctions::ProgId), QString("Quorlin.QLFunctions"));
        QCOMPARE(QString(QLFunctions::Description), QString("Quorlin Pre-programmed Functions"));
        QCOMPARE(QString(QLFunctions::LibraryName), QString("Quorlin"));
        QCOMPARE(QLFunctions::TypeLibMajor, 10);
        QCOMPARE(QLFunctions::TypeLibMinor, 0);
        QWidget host;
        QWidget* made = createQuorlinObject("quorlin.qlfunctions", &host);
        QVERIFY(qobject_cast<QLFunctions*>(made) != nullptr);
        QCOMPARE(made->parentWidget(), &host);
        QVERIFY(createQuorlinObject("QuorlinDLL.Functions", &host) == nullptr);
    }

    // The four calls the main program makes, late bound by number.
    void theProgramsFourCalls() {
        QLFunctions functions;
        const auto work = m_root->driveC() / "work";
        std::ofstream(work / "a.txt", std::ios::binary) << "one\r\ntwo";

        QVariantList args{QString("C:\\work\\")};
        QCOMPARE(functions.invoke(QLFunctions::DispChkPathExist, args), QVariant(true));
        args = {QString("C:\\work\\a.txt")};
        QCOMPARE(functions.invoke(QLFunctions::DispChkFileExist, args), QVariant(true));
        QCOMPARE(functions.invoke(QLFunctions::DispReadFromFile, args), QVariant(QString("one\r\ntwo\r\n")));

        args = {int(0x80000001u), QString("Software\\Quorlin\\Zevra"), QString("firstrun"), QString("1")};
        QCOMPARE(functions.invoke(QLFunctions::DispWriteRegStr, args), QVariant());
        args = {int(0x80000001u), QString("Software\\Quorlin\\Zevra"), QString("firstrun")};
        QCOMPARE(functions.invoke("ReadRegStr", args), QVariant(QString("1")));
        QCOMPARE(functions.invoke("ReadRegInt", args), QVariant(49));
    }

    void optionalArgumentsTakeTheirDefaults() {
        QLFunctions functions;
        QVariantList args{int(0x80000001u), QString("Software\\Quorlin\\None"), QString("x")};
        QCOMPARE(functions.invoke("ReadRegStr", args), QVariant(QString()));
        args.append(QString("None"));
        QCOMPARE(functions.invoke("ReadRegStr", args), QVariant(QString("None")));
        // Delay with Seconds only: Do_Events true.
        const ScopedHook clock(&platform::setSecondsSinceMidnightSourceForTests, [] { return 10.0; });
        QVariantList delay{0};
        QCOMPARE(functions.invoke("Delay", delay), QVariant());
    }

    void argumentKindsAndErrors() {
        QLFunctions functions;
        QVariantList args{1};
        QCOMPARE(functions.invoke("OpposeBool", args), QVariant(false));
        args = {-1};
        QCOMPARE(functions.invoke("OpposeBool", args), QVariant(false));
        args = {0};
        QCOMPARE(functions.invoke("OpposeBool", args), QVariant(true));
        args = {QString("65"), 60.5}; // numeric text and a double rounded half to even
        const int r = functions.invoke("RandomNumber", args).toInt();
        QVERIFY(r >= 60 && r <= 65);

        args = {};
        QCOMPARE(errorOf([&] { functions.invoke("ChkPathExist", args); }), 5);
        args = {QString("a"), QString("b")};
        QCOMPARE(errorOf([&] { functions.invoke("ChkPathExist", args); }), 5);
        args = {QString("seven"), 1};
        QCOMPARE(errorOf([&] { functions.invoke("RandomNumber", args); }), 13);
        args = {QVariant::fromValue(QStringList{"x"})};
        QCOMPARE(errorOf([&] { functions.invoke("StrConvert", args); }), 13);
        args = {QString("x"), 1, 2, 3};
        QCOMPARE(errorOf([&] { functions.invoke("DrawWindow", args); }), 13);
        args = {};
        QCOMPARE(errorOf([&] { functions.invoke("NoSuchMember", args); }), 438);
        QCOMPARE(errorOf([&] { functions.invoke(0, args); }), 438);
        QCOMPARE(errorOf([&] { functions.invoke(20, args); }), 438);
        QCOMPARE(RuntimeError(13).description(), QString("Type mismatch"));
    }

    void memberErrorsReachTheCaller() {
        QLFunctions functions;
        QVariantList args{QString("C:\\work\\no\\such\\folder\\x.txt"), QString("x")};
        QCOMPARE(errorOf([&] { functions.invoke("WriteToFile", args); }), 76);
        args = {40000, 1, 1, 1};
        QWidget target;
        args[0] = QVariant::fromValue(&target);
        args[1] = 40000;
        QCOMPARE(errorOf([&] { functions.invoke("DrawWindow", args); }), 6);
    }

    void aNullWindowIsNoWindowAndNoError() {
        QLFunctions functions;
        int32_t c1 = 255, c2 = 200, base = 192;
        functions.DrawWindow(static_cast<QWidget*>(nullptr), c1, c2, base);
        for (const QVariant& none : {QVariant::fromValue(static_cast<QWidget*>(nullptr)),
                                     QVariant::fromValue(static_cast<QObject*>(nullptr)),
                                     QVariant::fromValue(static_cast<quorlin::WindowObject*>(nullptr))}) {
            QVariantList args{none, 255, 200, 192};
            QCOMPARE(functions.invoke("DrawWindow", args), QVariant());
            // The colours are still checked before anything else.
            args = {none, 40000, 200, 192};
            QCOMPARE(errorOf([&] { functions.invoke("DrawWindow", args); }), 6);
        }
    }

    void aFileNameEndingInASeparatorNamesNoFile() {
        std::ofstream(m_root->driveC() / "work" / "keep.txt", std::ios::binary) << "keep\r\n";
        QLFunctions functions;
        QString name = "C:\\work\\keep.txt\\";
        QString text = "lost";
        QCOMPARE(errorOf([&] { functions.WriteToFile(name, text); }), 76);
        QCOMPARE(errorOf([&] { functions.AppendToFile(name, text); }), 76);
        QCOMPARE(functions.ReadFromFile(name), QString());
        QCOMPARE(functions.ChkFileExist(name), false);
        QString kept = "C:\\work\\keep.txt";
        QCOMPARE(functions.ReadFromFile(kept), QString("keep\r\n"));
    }

    void earlyBoundMembersForward() {
        QLFunctions functions;
        QString file = "C:\\work\\e.txt";
        QString text = "early";
        functions.WriteToFile(file, text);
        functions.AppendToFile(file, text);
        QCOMPARE(readBytes(m_root->driveC() / "work" / "e.txt"), std::string("early\r\nearly\r\n"));
        QString s = "A";
        QCOMPARE(functions.StrConvert(s), QString("U"));
        bool b = false;
        QCOMPARE(functions.OpposeBool(b), true);
    }

    void theFaceStaysA40PixelSquare() {
        QWidget host;
        auto* control = new QLFunctions(&host);
        QCOMPARE(control->size(), QSize(40, 40));
        control->resize(200, 75);
        QCOMPARE(control->size(), QSize(40, 40));
        control->setGeometry(10, 10, 5, 5);
        QCOMPARE(control->size(), QSize(40, 40));
        QCOMPARE(control->sizeHint(), QSize(40, 40));
        const QImage face = control->grab().toImage();
        // Grey ground with dark signs on it.
        QCOMPARE(face.pixelColor(20, 3), QColor(192, 192, 192));
        QCOMPARE(face.pixelColor(11, 12).lightness() < 64, true);
    }

    // The Qt window: 15 units to the pixel, each pixel row in the colour of the band
    // drawn last across its middle.
    void drawWindowPaintsTheWindowsPersistentPicture() {
        QWidget window;
        window.resize(30, 20); // 450 x 300 units
        QLFunctions functions;
        QVariantList args{QVariant::fromValue(&window), 255, 200, 192};
        functions.invoke("DrawWindow", args);

        drawing_test::RecordingWindow model;
        model.height = 300;
        model.width = 450;
        quorlin::QtWindowObject adapter(&window);
        QCOMPARE(adapter.scaleHeight(), 300.0);
        QCOMPARE(adapter.scaleWidth(), 450.0);
        QVERIFY(adapter.autoRedraw());
        prgmain_draw(model);

        const QImage picture = quorlin::QtWindowObject::picture(&window);
        QCOMPARE(picture.size(), QSize(30, 20));
        for (int row = 0; row < 20; ++row) {
            const int grey = model.bandGrey(15 * row + 5);
            QVERIFY(grey >= 0);
            QCOMPARE(picture.pixelColor(0, row), QColor(grey, grey, grey));
            QCOMPARE(picture.pixelColor(29, row), QColor(grey, grey, grey));
        }
        // The bands of the example where whole pixel rows show them.
        QCOMPARE(picture.pixelColor(5, 0).red(), model.bandGrey(5));
        QCOMPARE(picture.pixelColor(5, 12).red(), 202); // row 12 shows the band at 185
        // The picture is what the window shows when it is painted.
        const QImage shown = window.grab().toImage();
        for (int row = 0; row < 20; ++row)
            QCOMPARE(shown.pixelColor(15, row), picture.pixelColor(15, row));
    }

    void clsClearsThePicture() {
        QWidget window;
        window.resize(10, 10);
        quorlin::QtWindowObject adapter(&window);
        adapter.Line(-1, -1, 150, 150, Qt::red, 38);
        QCOMPARE(quorlin::QtWindowObject::picture(&window).pixelColor(5, 5), QColor(Qt::red));
        adapter.Cls();
        QCOMPARE(quorlin::QtWindowObject::picture(&window).pixelColor(5, 5).alpha(), 0);
    }

private:
    static void prgmain_draw(drawing_test::RecordingWindow& model) {
        QLFunctions functions;
        int32_t c1 = 255, c2 = 200, back = 192;
        functions.DrawWindow(model, c1, c2, back);
    }

    std::unique_ptr<testing_support::TestRoot> m_root;
};

QTEST_MAIN(tst_QLFunctions)
#include "tst_QLFunctions.moc"
