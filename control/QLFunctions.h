#pragma once
// The control class QLFunctions of the library Quorlin ("Quorlin Pre-programmed
// Functions"): ready-made path, file, registry, waiting, drawing and string routines
// that any window can host. It keeps no state; every member forwards to the shared
// routines of prgmain.
//
// Two ways to call it: the member functions below (early binding; by-reference
// parameters are non-const references, as the callers' language passes them, and a
// member that changes an argument changes the caller's variable), and the dispatch
// interface invoke() (late binding by dispatch number or member name, numbering
// consecutive from 1 in member order).

#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QWidget>

#include <cstdint>

namespace quorlin {
class WindowObject;
}

class QLFunctions : public QWidget {
    Q_OBJECT
public:
    // Registered identity.
    static constexpr const char* ProgId = "Quorlin.QLFunctions";
    static constexpr const char* LibraryName = "Quorlin";
    static constexpr const char* Description = "Quorlin Pre-programmed Functions";
    static constexpr int TypeLibMajor = 10;
    static constexpr int TypeLibMinor = 0;

    // Dispatch numbers, in member order.
    enum DispId : int {
        DispDelay = 1,
        DispChkDrvExist,
        DispDecompressLZFile,
        DispChkPathExist,
        DispChkFileExist,
        DispRandomNumber,
        DispDrawWindow,
        DispStrConvert,
        DispWriteRegStr,
        DispStrDeConvert,
        DispWriteRegInt,
        DispReadRegStr,
        DispReadRegInt,
        DispDeleteRegKey,
        DispDeleteRegValue,
        DispWriteToFile,
        DispAppendToFile,
        DispReadFromFile,
        DispOpposeBool,
    };

    explicit QLFunctions(QWidget* parent = nullptr);
    ~QLFunctions() override;

    // The member names in dispatch order (index 0 is dispatch number 1).
    static const QStringList& memberNames();
    // The dispatch number of a member (case ignored), -1 when there is none.
    static int dispIdOf(const QString& name);

    // Late binding. By-reference arguments are written back into args; optional
    // arguments may be left out. Results: QVariant() for none, bool, int, QString.
    // Failures: quorlin::RuntimeError (438 for an unknown member, 5 for a wrong
    // argument count, 13 for an argument of the wrong kind, or the member's own error).
    QVariant invoke(int dispId, QVariantList& args);
    QVariant invoke(const QString& name, QVariantList& args);

    // ---- the members, in order ----------------------------------------------------
    void Delay(int32_t& Seconds, bool& Do_Events);
    void Delay(int32_t& Seconds); // Do_Events defaults to true
    bool ChkDrvExist(QString& Drive);
    void DecompressLZFile(QString& Src, QString& Dest);
    bool ChkPathExist(QString& Path);
    bool ChkFileExist(QString& Filename);
    int32_t RandomNumber(int32_t& Upperbound, int32_t& Lowerbound);
    void DrawWindow(quorlin::WindowObject& TargetForm, int32_t& Colour1, int32_t& Colour2, int32_t& Backgrd);
    // A Qt window, drawn through a QtWindowObject.
    void DrawWindow(QWidget* TargetForm, int32_t& Colour1, int32_t& Colour2, int32_t& Backgrd);
    QString StrConvert(QString& S);
    void WriteRegStr(int32_t& HKey, QString& Subkey, QString& KeyName, QString& KeyValue);
    QString StrDeConvert(QString& S);
    void WriteRegInt(int32_t& HKey, QString& Subkey, QString& KeyName, int32_t& KeyValue);
    QString ReadRegStr(int32_t& HKey, QString& Subkey, QString& KeyName, QString& DefaultReturn);
    QString ReadRegStr(int32_t& HKey, QString& Subkey, QString& KeyName); // DefaultReturn ""
    int32_t ReadRegInt(int32_t& HKey, QString& Subkey, QString& KeyName);
    void DeleteRegKey(int32_t& HKey, QString& Subkey, QString& Key);
    void DeleteRegValue(int32_t& HKey, QString& Subkey, QString& Value);
    void WriteToFile(QString& Filename, QString& S);
    void AppendToFile(QString& Filename, QString& S);
    QString ReadFromFile(QString& Filename);
    bool OpposeBool(bool& Bool);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Keeps the control at 600 x 600 twips whenever the host resizes it.
    void UserControl_Resize();
};

// Creates a control by its registered name ("Quorlin.QLFunctions", case ignored) as a
// child of parent; null for any other name.
QWidget* createQuorlinObject(const QString& progId, QWidget* parent = nullptr);
