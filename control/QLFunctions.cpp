#include "QLFunctions.h"

#include "common/Dispatch.h"
#include "common/ProblemText.h"
#include "common/RuntimeError.h"
#include "common/WindowObject.h"
#include "common/prgmain.h"

#include <QPainter>
#include <QResizeEvent>

#include <memory>

using quorlin::RuntimeError;
namespace dispatch = quorlin::dispatch;
using quorlin::dispatch::RefArgs;

namespace {

// The control's size in the host's units: 600 twips, 40 pixels.
constexpr int kFacePixels = 40;

} // namespace

QLFunctions::QLFunctions(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("QLFunctions"));
    // The registry's diagnostic lines are worded by the shared routines.
    quorlin::installProblemWords();
    // Fixed, so that a host's resize is held at the square even before the control is
    // shown (a hidden widget gets its resize event only later).
    setFixedSize(kFacePixels, kFacePixels);
    UserControl_Resize();
}

QLFunctions::~QLFunctions() = default;

const QStringList& QLFunctions::memberNames() {
    static const QStringList names = {
        QStringLiteral("Delay"),        QStringLiteral("ChkDrvExist"),  QStringLiteral("DecompressLZFile"),
        QStringLiteral("ChkPathExist"), QStringLiteral("ChkFileExist"), QStringLiteral("RandomNumber"),
        QStringLiteral("DrawWindow"),   QStringLiteral("StrConvert"),   QStringLiteral("WriteRegStr"),
        QStringLiteral("StrDeConvert"), QStringLiteral("WriteRegInt"),  QStringLiteral("ReadRegStr"),
        QStringLiteral("ReadRegInt"),   QStringLiteral("DeleteRegKey"), QStringLiteral("DeleteRegValue"),
        QStringLiteral("WriteToFile"),  QStringLiteral("AppendToFile"), QStringLiteral("ReadFromFile"),
        QStringLiteral("OpposeBool"),
    };
    return names;
}

int QLFunctions::dispIdOf(const QString& name) {
    return dispatch::dispIdOf(memberNames(), name);
}

QVariant QLFunctions::invoke(const QString& name, QVariantList& args) {
    const int id = dispIdOf(name);
    if (id < 0)
        throw RuntimeError(quorlin::ErrNoSuchMember);
    return invoke(id, args);
}

QVariant QLFunctions::invoke(int dispId, QVariantList& args) {
    RefArgs a(args);
    switch (dispId) {
    case DispDelay:
        dispatch::checkCount(args, 1, 2);
        Delay(a.int32(0), a.booleanOr(1, true));
        return QVariant();
    case DispChkDrvExist:
        dispatch::checkCount(args, 1, 1);
        return ChkDrvExist(a.text(0));
    case DispDecompressLZFile:
        dispatch::checkCount(args, 2, 2);
        DecompressLZFile(a.text(0), a.text(1));
        return QVariant();
    case DispChkPathExist:
        dispatch::checkCount(args, 1, 1);
        return ChkPathExist(a.text(0));
    case DispChkFileExist:
        dispatch::checkCount(args, 1, 1);
        return ChkFileExist(a.text(0));
    case DispRandomNumber:
        dispatch::checkCount(args, 2, 2);
        return RandomNumber(a.int32(0), a.int32(1));
    case DispDrawWindow: {
        dispatch::checkCount(args, 4, 4);
        std::unique_ptr<quorlin::QtWindowObject> holder;
        quorlin::WindowObject& target = dispatch::toWindowObject(args.at(0), holder);
        DrawWindow(target, a.int32(1), a.int32(2), a.int32(3));
        return QVariant();
    }
    case DispStrConvert:
        dispatch::checkCount(args, 1, 1);
        return StrConvert(a.text(0));
    case DispWriteRegStr:
        dispatch::checkCount(args, 4, 4);
        WriteRegStr(a.int32(0), a.text(1), a.text(2), a.text(3));
        return QVariant();
    case DispStrDeConvert:
        dispatch::checkCount(args, 1, 1);
        return StrDeConvert(a.text(0));
    case DispWriteRegInt:
        dispatch::checkCount(args, 4, 4);
        WriteRegInt(a.int32(0), a.text(1), a.text(2), a.int32(3));
        return QVariant();
    case DispReadRegStr:
        dispatch::checkCount(args, 3, 4);
        return ReadRegStr(a.int32(0), a.text(1), a.text(2), a.textOr(3, QString()));
    case DispReadRegInt:
        dispatch::checkCount(args, 3, 3);
        return ReadRegInt(a.int32(0), a.text(1), a.text(2));
    case DispDeleteRegKey:
        dispatch::checkCount(args, 3, 3);
        DeleteRegKey(a.int32(0), a.text(1), a.text(2));
        return QVariant();
    case DispDeleteRegValue:
        dispatch::checkCount(args, 3, 3);
        DeleteRegValue(a.int32(0), a.text(1), a.text(2));
        return QVariant();
    case DispWriteToFile:
        dispatch::checkCount(args, 2, 2);
        WriteToFile(a.text(0), a.text(1));
        return QVariant();
    case DispAppendToFile:
        dispatch::checkCount(args, 2, 2);
        AppendToFile(a.text(0), a.text(1));
        return QVariant();
    case DispReadFromFile:
        dispatch::checkCount(args, 1, 1);
        return ReadFromFile(a.text(0));
    case DispOpposeBool:
        dispatch::checkCount(args, 1, 1);
        return OpposeBool(a.boolean(0));
    default:
        throw RuntimeError(quorlin::ErrNoSuchMember);
    }
}

// ---- the members: each forwards to its routine ----------------------------------------

void QLFunctions::Delay(const int32_t& Seconds, const bool& Do_Events) {
    prgmain::Delay(Seconds, Do_Events);
}
void QLFunctions::Delay(const int32_t& Seconds) {
    prgmain::Delay(Seconds, true);
}
bool QLFunctions::ChkDrvExist(const QString& Drive) {
    return prgmain::ChkDrvExist(Drive);
}
void QLFunctions::DecompressLZFile(const QString& Src, const QString& Dest) {
    prgmain::DecompressLZFile(Src, Dest);
}
bool QLFunctions::ChkPathExist(const QString& Path) {
    return prgmain::ChkPathExist(Path);
}
bool QLFunctions::ChkFileExist(const QString& Filename) {
    return prgmain::ChkFileExist(Filename);
}
int32_t QLFunctions::RandomNumber(const int32_t& Upperbound, const int32_t& Lowerbound) {
    return prgmain::RandomNumber(Upperbound, Lowerbound);
}
void QLFunctions::DrawWindow(quorlin::WindowObject& TargetForm, const int32_t& Colour1,
                             const int32_t& Colour2, const int32_t& Backgrd) {
    prgmain::DrawWindow(TargetForm, Colour1, Colour2, Backgrd);
}
void QLFunctions::DrawWindow(QWidget* TargetForm, const int32_t& Colour1, const int32_t& Colour2,
                             const int32_t& Backgrd) {
    if (!TargetForm) {
        prgmain::DrawWindow(prgmain::noWindow(), Colour1, Colour2, Backgrd);
        return;
    }
    quorlin::QtWindowObject target(TargetForm);
    prgmain::DrawWindow(target, Colour1, Colour2, Backgrd);
}
QString QLFunctions::StrConvert(const QString& S) {
    return prgmain::StrConvert(S);
}
void QLFunctions::WriteRegStr(const int32_t& HKey, const QString& Subkey, const QString& KeyName,
                              const QString& KeyValue) {
    prgmain::WriteRegStr(HKey, Subkey, KeyName, KeyValue);
}
QString QLFunctions::StrDeConvert(const QString& S) {
    return prgmain::StrDeConvert(S);
}
void QLFunctions::WriteRegInt(const int32_t& HKey, const QString& Subkey, const QString& KeyName,
                              const int32_t& KeyValue) {
    prgmain::WriteRegInt(HKey, Subkey, KeyName, KeyValue);
}
QString QLFunctions::ReadRegStr(const int32_t& HKey, const QString& Subkey, const QString& KeyName,
                                const QString& DefaultReturn) {
    return prgmain::ReadRegStr(HKey, Subkey, KeyName, DefaultReturn);
}
QString QLFunctions::ReadRegStr(const int32_t& HKey, const QString& Subkey, const QString& KeyName) {
    return prgmain::ReadRegStr(HKey, Subkey, KeyName, QString());
}
int32_t QLFunctions::ReadRegInt(const int32_t& HKey, const QString& Subkey, const QString& KeyName) {
    return prgmain::ReadRegInt(HKey, Subkey, KeyName);
}
void QLFunctions::DeleteRegKey(const int32_t& HKey, const QString& Subkey, const QString& Key) {
    prgmain::DeleteRegKey(HKey, Subkey, Key);
}
void QLFunctions::DeleteRegValue(const int32_t& HKey, const QString& Subkey, const QString& Value) {
    prgmain::DeleteRegValue(HKey, Subkey, Value);
}
void QLFunctions::WriteToFile(const QString& Filename, const QString& S) {
    prgmain::WriteToFile(Filename, S);
}
void QLFunctions::AppendToFile(const QString& Filename, const QString& S) {
    prgmain::AppendToFile(Filename, S);
}
QString QLFunctions::ReadFromFile(const QString& Filename) {
    return prgmain::ReadFromFile(Filename);
}
bool QLFunctions::OpposeBool(const bool& Bool) {
    return prgmain::OpposeBool(Bool);
}

// ---- the face -------------------------------------------------------------------------

QSize QLFunctions::sizeHint() const {
    return QSize(kFacePixels, kFacePixels);
}

void QLFunctions::UserControl_Resize() {
    // Height first, then width, as the host sees it: the control stays a 40-pixel square.
    if (height() != kFacePixels)
        resize(width(), kFacePixels);
    if (width() != kFacePixels)
        resize(kFacePixels, height());
}

void QLFunctions::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UserControl_Resize();
}

void QLFunctions::paintEvent(QPaintEvent*) {
    // Arithmetic signs on grey, drawn rather than loaded so the library carries no
    // resource files.
    QPainter p(this);
    p.fillRect(QRect(0, 0, kFacePixels, kFacePixels), QColor(192, 192, 192));
    p.setPen(QColor(128, 128, 128));
    p.drawRect(0, 0, kFacePixels - 1, kFacePixels - 1);
    p.setPen(QPen(Qt::black, 2));
    // plus (top left) and minus (top right)
    p.drawLine(6, 12, 16, 12);
    p.drawLine(11, 7, 11, 17);
    p.drawLine(24, 12, 34, 12);
    // times (bottom left)
    p.drawLine(7, 24, 15, 32);
    p.drawLine(15, 24, 7, 32);
    // divide (bottom right)
    p.drawLine(24, 28, 34, 28);
    p.drawPoint(29, 24);
    p.drawPoint(29, 32);
}

QWidget* createQuorlinObject(const QString& progId, QWidget* parent) {
    if (progId.compare(QLatin1String(QLFunctions::ProgId), Qt::CaseInsensitive) == 0)
        return new QLFunctions(parent);
    return nullptr;
}
