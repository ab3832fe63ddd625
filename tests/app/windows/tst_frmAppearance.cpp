// The Appearance window against a prefix of the test's own, without Wine (the registry
// alone) and with Wine's theme service scripted: Cancel and the colour dialog's Cancel
// change nothing, OK stores a scheme in Windows' formats, Restore puts back exactly what
// the prefix held before the program first changed it, and items picked in the preview
// go to Wine over the style in force.

#include "ScopedHook.h"
#include "app/RegistryWrites.h"
#include "app/style/StyleFileBuilder.h"
#include "windows/ScenePicture.h"
#include "windows/frmAppearance.h"

#include "appearance/ClassicLook.h"
#include "commands/LookApply.h"
#include "commands/ThemeServiceRun.h"
#include "common/UiServices.h"
#include "platform/Registry.h"
#include "platform/linux/TestRoot.h"
#include "style/StyleFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <string>

using quorlin::UiServices;

namespace {

const char kColors[] = "Control Panel\\Colors";
const char kMetrics[] = "Control Panel\\Desktop\\WindowMetrics";
const char kThemeManager[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";

void writeBinary(const std::string& key, const std::string& name, const std::string& bytes) {
    auto& reg = platform::Registry::current();
    platform::HKEY handle = 0;
    QVERIFY(reg.RegCreateKeyA(platform::HKEY_CURRENT_USER, key, &handle) == platform::ERROR_SUCCESS);
    QVERIFY(reg.RegSetValueExA(handle, name, 0, platform::REG_BINARY,
                               reinterpret_cast<const uint8_t*>(bytes.data()),
                               uint32_t(bytes.size())) == platform::ERROR_SUCCESS);
    reg.RegCloseKey(handle);
}

std::string stored(const std::string& key, const std::string& name) {
    auto& reg = platform::Registry::current();
    platform::HKEY handle = 0;
    if (reg.RegOpenKeyA(platform::HKEY_CURRENT_USER, key, &handle) != platform::ERROR_SUCCESS)
        return "(no key)";
    uint32_t type = 0, size = 0;
    std::string data;
    if (reg.RegQueryValueExA(handle, name, nullptr, &type, nullptr, &size) == platform::ERROR_SUCCESS) {
        data.resize(size);
        reg.RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<uint8_t*>(data.data()), &size);
    } else {
        data = "(none)";
    }
    reg.RegCloseKey(handle);
    if (type == platform::REG_SZ && !data.empty() && data.back() == '\0')
        data.pop_back();
    return data;
}

// A prefix as Wine 8 leaves one with its Light style in use: some colours and sizes in
// Wine's own forms (sizes in pixels), one font, preference bits of its own, and values
// the program never writes (CaptionWidth missing, an unrelated IconSpacing).
void seedPrefix() {
    writeString(platform::HKEY_CURRENT_USER, kColors, "ButtonFace", "245 245 245");
    writeString(platform::HKEY_CURRENT_USER, kColors, "ActiveTitle", "50 150 250");
    writeString(platform::HKEY_CURRENT_USER, kColors, "Background", "37 111 149");
    writeString(platform::HKEY_CURRENT_USER, kMetrics, "ScrollWidth", "17");
    writeString(platform::HKEY_CURRENT_USER, kMetrics, "CaptionHeight", "18");
    writeString(platform::HKEY_CURRENT_USER, kMetrics, "IconSpacing", "-1125");
    std::string font(92, '\0');
    font[0] = '\xf5', font[1] = font[2] = font[3] = '\xff', font[16] = '\x90', font[17] = '\x01';
    const std::string face = "MS Shell Dlg";
    for (size_t i = 0; i < face.size(); ++i)
        font[28 + 2 * i] = face[i];
    writeBinary(kMetrics, "MenuFont", font);
    writeBinary("Control Panel\\Desktop", "UserPreferencesMask",
                std::string("\x9e\x1e\x07\x80\x12\x00\x00\x00", 8));
    writeString(platform::HKEY_CURRENT_USER, kThemeManager, "ThemeActive", "1");
    writeString(platform::HKEY_CURRENT_USER, kThemeManager, "DllName",
                "%systemroot%\\Resources\\Themes\\Light\\light.msstyles", platform::REG_EXPAND_SZ);
    writeString(platform::HKEY_CURRENT_USER, kThemeManager, "ColorName", "Blue");
}

QString userReg(const testing_support::TestRoot& root) {
    QFile file(QString::fromStdString((root.root() / "user.reg").string()));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

void chooseScheme(frmAppearance& w, const QString& name) {
    w.cboScheme->setCurrentIndex(w.cboScheme->findText(name));
    w.cboScheme_Click();
}

void chooseItem(frmAppearance& w, const QString& name) {
    w.cboItem->setCurrentIndex(w.cboItem->findText(name));
    w.cboItem_Click();
}

struct Message {
    QString text;
    int style;
    QString title;
};

bool saidOnly(const Message& expected) {
    const QList<UiServices::Message> said = UiServices::messages();
    if (said.size() == 1 && said[0].text == expected.text && said[0].style == expected.style &&
        said[0].title == expected.title)
        return true;
    for (const UiServices::Message& m : said)
        qWarning("  said     %s | %d | %s", qPrintable(m.text), m.style, qPrintable(m.title));
    qWarning("  expected %s | %d | %s", qPrintable(expected.text), expected.style,
             qPrintable(expected.title));
    return false;
}

} // namespace

class tst_frmAppearance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
        // The program's settings, where Restore's values are kept, in a home of the test's own.
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }
    void init() {
        QFile::remove(m_config.filePath(QStringLiteral("kolvmgr/kolvmgr.conf")));
        m_root = std::make_unique<testing_support::TestRoot>();
        UiServices::setScripted(true);
        UiServices::resetScript();
        seedPrefix();
    }
    void cleanup() { m_root.reset(); }

    void cancelAndACancelledColourDialogChangeNothing() {
        const QString before = userReg(*m_root);
        frmAppearance w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Appearance"));
        // What the prefix holds is what the window shows, Wine's forms read as Wine reads them.
        QCOMPARE(w.look().colors[appearance::ActiveTitle], qRgb(50, 150, 250));
        QCOMPARE(w.look().metrics->scrollWidth, 17);
        QCOMPARE(w.look().metrics->menuFont.face, QStringLiteral("MS Shell Dlg"));

        chooseItem(w, QStringLiteral("Desktop"));
        w.cmdColor1_Click(); // the dialog cancelled: no colour queued
        QCOMPARE(w.look().colors[appearance::Background], qRgb(37, 111, 149));
        QCOMPARE(UiServices::colorDialogs().size(), 1);
        QCOMPARE(UiServices::colorDialogs()[0].initial, QColor(37, 111, 149));
        QCOMPARE(UiServices::colorDialogs()[0].title, QStringLiteral("Color 1: Desktop"));

        chooseScheme(w, QStringLiteral("Brick"));
        UiServices::setNextColor(QColor(1, 2, 3));
        w.cmdColor1_Click();
        chooseItem(w, QStringLiteral("Scrollbar"));
        w.spnSize->setValue(30);
        QCOMPARE(w.look().metrics->scrollWidth, 30);
        w.cmdCancel_Click();

        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(userReg(*m_root), before);
        QVERIFY(UiServices::messages().isEmpty());
        QVERIFY(!LookApply::remembered());
    }

    void okStoresTheSchemeAndRestorePutsBackWhatWasThere() {
        const std::optional<LookApply::Stored> before = LookApply::readStored();
        QVERIFY(before);
        {
            frmAppearance w;
            chooseScheme(w, QStringLiteral("Brick"));
            w.cmdOK_Click();
            QCOMPARE(w.result(), int(QDialog::Accepted));
            QVERIFY(saidOnly(
                {QStringLiteral(
                     "The classic look in the colour scheme Brick is stored: Wine shows it from its next "
                     "start.\n\nWine's theme service was not reached (") +
                     QString::fromStdString(m_root->root().string()) +
                     QStringLiteral(
                         " is no prefix made by Wine): the colours, sizes and fonts are stored in the "
                         "registry alone, which Wine reads when it next starts."),
                 64, QStringLiteral("Appearance")}));
        }
        // Windows' formats: "R G B", sizes in negative twips, fonts as LOGFONTW; theming off.
        QCOMPARE(stored(kColors, "ActiveTitle"), std::string("128 0 0"));
        QCOMPARE(stored(kColors, "Background"), std::string("66 0 0"));
        QCOMPARE(stored(kColors, "ButtonFace"), std::string("194 191 165"));
        QCOMPARE(stored(kMetrics, "CaptionHeight"), std::string("-270"));
        QCOMPARE(stored(kMetrics, "ScrollWidth"), std::string("-240"));
        QCOMPARE(stored(kMetrics, "SmCaptionWidth"), std::string("-180"));
        const std::string caption = stored(kMetrics, "CaptionFont");
        QCOMPARE(caption.size(), size_t(92));
        QCOMPARE(caption.substr(0, 4), std::string("\xf5\xff\xff\xff", 4));
        QCOMPARE(caption.substr(16, 4), std::string("\xbc\x02\x00\x00", 4)); // bold
        QCOMPARE(caption.substr(23, 1), std::string("\x01", 1));             // DEFAULT_CHARSET
        QCOMPARE(caption.substr(28, 14), std::string("T\0a\0h\0o\0m\0a\0\0\0", 14));
        // Gradient captions on, flat menus off; the other bits as they were.
        QCOMPARE(stored("Control Panel\\Desktop", "UserPreferencesMask"),
                 std::string("\x9e\x1e\x05\x80\x12\x00\x00\x00", 8));
        QCOMPARE(stored(kThemeManager, "ThemeActive"), std::string("0"));
        QCOMPARE(stored(kMetrics, "IconSpacing"), std::string("-1125"));

        // A second change keeps what the prefix held before the first.
        {
            frmAppearance w;
            chooseScheme(w, QStringLiteral("Dark"));
            w.cmdOK_Click();
        }
        UiServices::resetScript();
        frmAppearance w;
        w.cmdRestore_Click();
        QCOMPARE(w.look().colors[appearance::ActiveTitle], qRgb(50, 150, 250));
        QCOMPARE(w.cboScheme->currentIndex(), -1);
        w.cmdOK_Click();
        QCOMPARE(UiServices::messages().size(), 1);
        QCOMPARE(
            UiServices::messages()[0].text.left(99),
            QStringLiteral("The appearance the prefix had before this program changed it is stored: Wine "
                           "shows it from its next"));
        const std::optional<LookApply::Stored> after = LookApply::readStored();
        QVERIFY(after);
        QVERIFY(after->values == before->values);
        QCOMPARE(stored(kColors, "MenuBar"), std::string("(none)"));
        QCOMPARE(stored(kMetrics, "CaptionWidth"), std::string("(none)"));
        QCOMPARE(stored(kMetrics, "ScrollWidth"), std::string("17"));
        QCOMPARE(stored(kThemeManager, "ThemeActive"), std::string("1"));
    }

    void restoreWithNothingChangedSaysSo() {
        const Message nothing{
            QStringLiteral("This program has not changed the colours, sizes and fonts of this "
                           "prefix: there is nothing to restore."),
            64, QStringLiteral("Appearance")};
        frmAppearance w;
        w.cmdRestore_Click();
        QVERIFY(saidOnly(nothing));

        // Settings that name values of anything but a look, or that are cut short, are not
        // taken for the prefix's former look.
        for (const QString& value : {QStringLiteral("Software\\Run\tevil\t1\t636d6400"),
                                     QStringLiteral("Control Panel\\Colors\tWindow\t1")}) {
            {
                QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("kolvmgr"),
                                   QStringLiteral("kolvmgr"));
                settings.beginWriteArray(QStringLiteral("PrefixLooks"), 1);
                settings.setArrayIndex(0);
                settings.setValue(QStringLiteral("Prefix"), QString::fromStdString(m_root->root().string()));
                settings.setValue(QStringLiteral("Values"), QStringList{value});
                settings.endArray();
            }
            QVERIFY(!LookApply::remembered());
            UiServices::resetScript();
            w.cmdRestore_Click();
            QVERIFY(saidOnly(nothing));
        }
    }

    void anItemClickedInThePreviewGoesToWineOverTheStyle() {
        QList<std::pair<platform::Look, bool>> runs;
        const ScopedHook service(
            &ThemeServiceRun::setScriptForTests,
            ThemeServiceRun::Script{[] { return QString(); },
                                    [](const QStringList&) { return platform::ThemeOutcome{}; },
                                    [&](const platform::Look& look, bool classic) {
                                        runs.append({look, classic});
                                        platform::ThemeOutcome outcome;
                                        outcome.kind = platform::ThemeOutcome::Applied;
                                        return outcome;
                                    }});
        const QString before = userReg(*m_root);
        frmAppearance w;
        // The active window's caption selects its title bar, the message box's OK 3D objects.
        w.picPreview_Click(w.scene().active.caption.center());
        QCOMPARE(w.cboItem->currentText(), QStringLiteral("Active Title Bar"));
        QVERIFY(w.cmdColor2->isEnabled() && w.cboFont->isEnabled() && w.spnSize->isEnabled());
        UiServices::setNextColor(QColor(0x12, 0x34, 0x56));
        w.cmdColor1_Click();
        w.picPreview_Click(w.scene().okButton.center());
        QCOMPARE(w.cboItem->currentText(), QStringLiteral("3D Objects"));
        QVERIFY(!w.cmdColor2->isEnabled() && !w.cboFont->isEnabled() && !w.spnSize->isEnabled());
        UiServices::setNextColor(QColor(200, 100, 0));
        w.cmdColor1_Click();
        // The shades follow the face.
        QCOMPARE(w.look().colors[appearance::ButtonShadow], qRgb(120, 60, 0));
        w.cmdOK_Click();

        QCOMPARE(runs.size(), 1);
        const auto& [look, classic] = runs[0];
        QVERIFY(!classic);
        QCOMPARE(look.colors[appearance::ActiveTitle], 0x123456u);
        QCOMPARE(look.colors[appearance::ButtonFace], 0xc86400u);
        // Sizes and fonts nobody changed stay those in force.
        QVERIFY(!look.metrics);
        QVERIFY(saidOnly({QStringLiteral("The appearance is applied: programs started from now on show it."),
                          64, QStringLiteral("Appearance")}));
        // The program's own program stored it; the window wrote nothing itself.
        QCOMPARE(userReg(*m_root), before);

        // A font changed is sent, with every size and font.
        runs.clear();
        frmAppearance again;
        chooseItem(again, QStringLiteral("Icon"));
        QVERIFY(!again.cmdColor1->isEnabled() && again.cboFont->isEnabled());
        again.spnFontSize->setValue(12);
        again.chkBold->setChecked(true);
        again.chkBold_Click();
        again.cmdOK_Click();
        QCOMPARE(runs.size(), 1);
        QVERIFY(runs[0].first.metrics);
        QCOMPARE(runs[0].first.metrics->fonts[5].height, -16);
        QCOMPARE(runs[0].first.metrics->fonts[5].weight, 700);
        QCOMPARE(runs[0].first.metrics->sizes[1], 17);
    }

    // Through Wine, Restore applies the style that was in use again before the look, then
    // puts the values back; a style file the reader refuses never reaches Wine.
    void restoreThroughWineAppliesTheStyleThatWasInUse() {
        m_root->writeFile("drive_c/windows/Resources/Themes/Light/light.msstyles",
                          testing_support::styleFile({u"Blue"}, {u"NormalSize"}));
        QList<QStringList> requests;
        QList<bool> looks;
        const ScopedHook service(&ThemeServiceRun::setScriptForTests,
                                 ThemeServiceRun::Script{[] { return QString(); },
                                                         [&](const QStringList& request) {
                                                             requests.append(request);
                                                             // What Wine's theme service records.
                                                             writeString(platform::HKEY_CURRENT_USER,
                                                                         kThemeManager, "ThemeActive", "1");
                                                             platform::ThemeOutcome outcome;
                                                             outcome.kind = platform::ThemeOutcome::Applied;
                                                             return outcome;
                                                         },
                                                         [&](const platform::Look&, bool classic) {
                                                             looks.append(classic);
                                                             if (classic)
                                                                 writeString(platform::HKEY_CURRENT_USER,
                                                                             kThemeManager, "ThemeActive",
                                                                             "0");
                                                             platform::ThemeOutcome outcome;
                                                             outcome.kind = platform::ThemeOutcome::Applied;
                                                             return outcome;
                                                         }});
        const std::optional<LookApply::Stored> before = LookApply::readStored();
        {
            frmAppearance w;
            chooseScheme(w, QStringLiteral("Rose"));
            w.cmdOK_Click();
        }
        QCOMPARE(looks, QList<bool>({true}));
        QCOMPARE(stored(kThemeManager, "ThemeActive"), std::string("0"));

        UiServices::resetScript();
        frmAppearance w;
        w.cmdRestore_Click();
        w.cmdOK_Click();
        QVERIFY(saidOnly(
            {QStringLiteral("The appearance the prefix had before this program changed it is applied: "
                            "programs started from now on show it."),
             64, QStringLiteral("Appearance")}));
        QCOMPARE(requests,
                 QList<QStringList>(
                     {{"apply", "%systemroot%\\Resources\\Themes\\Light\\light.msstyles", "Blue", ""}}));
        QCOMPARE(looks, QList<bool>({true, false}));
        QVERIFY(LookApply::readStored()->values == before->values);

        // The style file damaged since: nothing is handed to Wine, nothing changed.
        {
            frmAppearance scheme;
            chooseScheme(scheme, QStringLiteral("Rose"));
            scheme.cmdOK_Click();
        }
        const std::filesystem::path light = m_root->themes() / "Light" / "light.msstyles";
        m_root->writeFile("drive_c/windows/Resources/Themes/Light/light.msstyles", "no resource library");
        const QString problem = StyleFile::fromHostPath(QString::fromStdString(light.string())).problem();
        QVERIFY(!problem.isEmpty());
        const std::optional<LookApply::Stored> rose = LookApply::readStored();
        UiServices::resetScript();
        requests.clear();
        frmAppearance again;
        again.cmdRestore_Click();
        again.cmdOK_Click();
        QVERIFY(
            saidOnly({QStringLiteral("The appearance the prefix had before this program changed it was not "
                                     "applied: the style that was in use, "
                                     "%systemroot%\\Resources\\Themes\\Light\\light.msstyles, cannot be "
                                     "applied again: ") +
                          problem + QLatin1Char('.'),
                      16, QStringLiteral("Error")}));
        QVERIFY(requests.isEmpty());
        QVERIFY(LookApply::readStored()->values == rose->values);
        // The window stays open.
        QCOMPARE(again.result(), 0);
    }

private:
    QTemporaryDir m_config;
    std::unique_ptr<testing_support::TestRoot> m_root;
};

QTEST_MAIN(tst_frmAppearance)
#include "tst_frmAppearance.moc"
