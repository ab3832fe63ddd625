// Uses both libraries the way a third-party program would: the control through its
// dispatch interface and its members, the global class through its instance.
// Exit code 0 when every answer is as expected.

#include <Functions.h>
#include <QLFunctions.h>
#include <common/RuntimeError.h>

#include <QApplication>

#include <cstdio>

namespace {
int failures = 0;
void expect(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "consumer: %s\n", what);
        ++failures;
    }
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    QWidget window;
    QWidget* control = createQuorlinObject(QStringLiteral("Quorlin.QLFunctions"), &window);
    auto* functions = qobject_cast<QLFunctions*>(control);
    expect(functions != nullptr, "no QLFunctions from its name");
    if (!functions)
        return 1;

    QVariantList args{QStringLiteral("A")};
    expect(functions->invoke(QStringLiteral("StrConvert"), args) == QVariant(QStringLiteral("U")),
           "StrConvert");
    args = {int(0x80000001u), QStringLiteral("Software\\Quorlin\\Consumer"), QStringLiteral("v"),
            QStringLiteral("hello")};
    functions->invoke(QLFunctions::DispWriteRegStr, args);

    Functions& global = Functions::instance();
    Functions::HKEYEnum root = Functions::HKEY_CURRENT_USER;
    QString key = QStringLiteral("Software\\Quorlin\\Consumer");
    QString name = QStringLiteral("v");
    Functions::RegKeyTypes type = Functions::REG_BINARY;
    QString fallback = QStringLiteral("none");
    expect(global.ReadRegistry(root, key, name, type, fallback) == QStringLiteral("hello"), "ReadRegistry");
    expect(type == Functions::REG_SZ, "ReadRegistry type");

    QString path = QStringLiteral("C:\\Windows\\");
    expect(global.GetFilename(path) == QStringLiteral("Windows") && path == QStringLiteral("C:\\Windows"),
           "GetFilename");
    try {
        QString bad = QStringLiteral("abcd");
        global.GetFilename(bad);
        expect(false, "GetFilename without a backslash did not fail");
    } catch (const quorlin::RuntimeError& e) {
        expect(e.number() == 5, "GetFilename error number");
    }
    // Members that only read their arguments take temporaries and constants.
    expect(functions->ChkPathExist(QString("C:\\")), "ChkPathExist of a temporary");
    expect(!functions->ChkFileExist(QStringLiteral("C:\\no such file.txt")), "ChkFileExist of a literal");
    expect(global.ReadRegistryAsNumber(Functions::HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Nothing"),
                                       QStringLiteral("v")) == 0,
           "ReadRegistryAsNumber with constants");
    try {
        functions->WriteToFile(QStringLiteral("C:\\consumer.txt\\"), QStringLiteral("x"));
        expect(false, "WriteToFile of a name ending in a backslash did not fail");
    } catch (const quorlin::RuntimeError& e) {
        expect(e.number() == 76, "WriteToFile error number");
    }
    // No window: nothing drawn, nothing raised.
    functions->DrawWindow(static_cast<QWidget*>(nullptr), 255, 200, 192);
    std::printf("consumer: %s\n", failures == 0 ? "ok" : "failed");
    return failures == 0 ? 0 : 1;
}
