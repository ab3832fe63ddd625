#pragma once
// What the main window tests share: a window that does not end the test process, a
// throw-away Windows root with styles in it, and direct looks into the registry.

#include "app/RegistryWrites.h"
#include "commands/StyleCommands.h"
#include "mainwindow/frmMain.h"

#include "common/UiServices.h"
#include "platform/Registry.h"
#include "platform/linux/TestRoot.h"

#include <QListWidget>
#include <QtTest>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

namespace testing_support {

// The main window with the two ties to the desktop replaced: ending the program only
// counts, and the notification area is there or not as the test says.
class TestMain : public frmMain {
public:
    int ended = 0;
    bool tray = false;

protected:
    void endProgram() override { ++ended; }
    bool trayAvailable() const override { return tray; }
};

using Message = quorlin::UiServices::Message;

inline bool operator==(const Message& a, const Message& b) {
    return a.text == b.text && a.style == b.style && a.title == b.title;
}

inline QString messageText(const Message& m) {
    return QLatin1Char('[') + m.text + QStringLiteral(" | ") + QString::number(m.style) +
           QStringLiteral(" | ") + m.title + QLatin1Char(']');
}

// Compares the messages asked so far with the expected ones, text, style and title.
inline bool sameMessages(const QList<Message>& expected) {
    const QList<Message> actual = quorlin::UiServices::messages();
    if (actual.size() == expected.size()) {
        bool same = true;
        for (int i = 0; i < actual.size(); ++i)
            same = same && actual[i] == expected[i];
        if (same)
            return true;
    }
    qWarning("messages differ");
    for (const auto& m : actual)
        qWarning("  got      %s", qPrintable(messageText(m)));
    for (const auto& m : expected)
        qWarning("  expected %s", qPrintable(messageText(m)));
    return false;
}

inline QString missingThemes() {
    return QStringLiteral(
        "Error: unable to find folder C:\\windows\\Resources\\Themes which contains all the "
        "visual styles.");
}

inline Message noStylesMessage() {
    return {QStringLiteral("You have no Visual Styles installed on your OS."), 48,
            QStringLiteral("No VS installed")};
}

inline Message missingThemesMessage() {
    return {missingThemes(), 0, QStringLiteral("Quorlin Visual Style Manager")};
}

struct RegValue {
    uint32_t type = 0;
    std::string data;
    // The text of a string value without its terminator.
    QString text() const {
        std::string t = data;
        if (!t.empty() && t.back() == '\0')
            t.pop_back();
        return QString::fromLatin1(t.data(), qsizetype(t.size()));
    }
};

// A value straight from the registry, nullopt when the key or value is missing.
inline std::optional<RegValue> readValue(platform::HKEY root, const std::string& key,
                                         const std::string& name) {
    auto& reg = platform::Registry::current();
    platform::HKEY handle = 0;
    if (reg.RegOpenKeyA(root, key, &handle) != platform::ERROR_SUCCESS)
        return std::nullopt;
    uint32_t type = 0;
    uint32_t size = 0;
    std::optional<RegValue> out;
    if (reg.RegQueryValueExA(handle, name, nullptr, &type, nullptr, &size) == platform::ERROR_SUCCESS) {
        std::string data(size, '\0');
        if (reg.RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<uint8_t*>(data.data()),
                                 &size) == platform::ERROR_SUCCESS) {
            data.resize(size);
            out = RegValue{type, data};
        }
    }
    reg.RegCloseKey(handle);
    return out;
}

// A fresh Windows root for each test, the dialogs scripted, the first-run window
// already seen.
class MainFixture {
public:
    MainFixture() {
        // The program's name is the title of every message box given none.
        QCoreApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
        root = std::make_unique<TestRoot>();
        quorlin::UiServices::setScripted(true);
        quorlin::UiServices::resetScript();
        quorlin::UiServices::setModalHandler({});
        writeString(platform::HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "firstrun", "1");
    }

    std::filesystem::path themes() const { return root->themes(); }

    // A style folder with a style file and any further files (name -> contents).
    std::filesystem::path addStyle(const std::string& name, const std::string& styleFileName = {},
                                   const std::string& styleFileData = "not a PE") const {
        const auto folder = themes() / name;
        std::filesystem::create_directories(folder);
        if (!styleFileName.empty())
            std::ofstream(folder / styleFileName, std::ios::binary) << styleFileData;
        return folder;
    }

    // The names the file system reports for the themes folder, in its order, that the
    // catalogue should show: folders (links to folders too) neither hidden nor dotted.
    // The style folders in the catalogue's order (which tst_frmMain and the catalogue
    // order test pin down).
    std::vector<QString> expectedCatalogue() const {
        std::vector<QString> names;
        for (const auto& entry : std::filesystem::directory_iterator(themes())) {
            const std::string name = entry.path().filename().string();
            if (entry.is_directory() && name.front() != '.')
                names.push_back(QString::fromStdString(name));
        }
        std::sort(names.begin(), names.end(), StyleCommands::catalogueOrder);
        return names;
    }

    std::unique_ptr<TestMain> loadWindow() const {
        auto window = std::make_unique<TestMain>();
        window->Form_Load();
        return window;
    }

    std::unique_ptr<TestRoot> root;
};

inline QStringList items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}

inline QStringList toList(const std::vector<QString>& names) {
    return QStringList(names.begin(), names.end());
}

inline void select(frmMain& window, const QString& style) {
    const auto found = window.lstVS->findItems(style, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    window.lstVS->setCurrentItem(found.constFirst());
}

} // namespace testing_support
