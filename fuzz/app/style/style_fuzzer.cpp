// The style file reader: a .msstyles file is a PE resource DLL that anyone can make.
// Whatever the bytes, reading them ends; the lists read are lists of names; every
// resource found lies inside the file; the string table, the names and the INI data are
// read within their bounds.
#include "FuzzCheck.h"
#include "style/StringTable.h"
#include "style/StyleFile.h"
#include "style/StyleIni.h"
#include "style/Utf16Le.h"

#include <QStringList>

namespace {

const char* g_begin = nullptr;
const char* g_end = nullptr;

void expectInside(const std::optional<QByteArrayView>& found) {
    if (!found)
        return;
    FUZZ_EXPECT(found->data() >= g_begin);
    FUZZ_EXPECT(found->data() + found->size() <= g_end);
}

void expectBounded(const StyleIni& ini) {
    FUZZ_EXPECT(ini.sectionCount() <= StyleIni::kMaxSections);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    g_begin = bytes.constData();
    g_end = bytes.constData() + bytes.size();
    const StyleFile file = StyleFile::fromData(bytes);
    for (const auto* list : {&file.colorNames(), &file.sizeNames()}) {
        if (!*list)
            continue;
        FUZZ_EXPECT(!(*list)->isEmpty());
        for (const QString& name : **list)
            FUZZ_EXPECT(!name.isEmpty() && !name.contains(QChar(0)));
    }
    for (const char* type : {"COLORNAMES", "SIZENAMES", "PACKTHEM_VERSION", "FILERESNAMES"})
        expectInside(file.resources().find(type, 1));

    // Names of every kind of type, and each resource under them in each of its languages.
    const PeResources& pe = file.resources();
    for (const ResourceName& type : {ResourceName(2), ResourceName(6), ResourceName("TEXTFILE")}) {
        const QList<ResourceName> names = pe.names(type, 64);
        FUZZ_EXPECT(names.size() <= 64);
        for (const ResourceName& name : names) {
            FUZZ_EXPECT(name.isId() ? name.id() >= 0 && name.id() <= 0xFFFF : !name.name().isEmpty());
            for (quint16 language : pe.languages(type, name))
                expectInside(pe.find(type, name, language));
        }
    }

    // A file said to be a style lists what it offers and holds the INI data of each.
    if (file.problem().isEmpty()) {
        FUZZ_EXPECT(file.colorNames() && file.sizeNames() && file.packthemVersion() == 3);
        FUZZ_EXPECT(file.iniText(int(file.colorNames()->size()) - 1, int(file.sizeNames()->size()) - 1));
    }

    // The string table through the names and details it gives; display names never empty.
    for (const auto& choices : {file.colorSchemes(), file.sizes()})
        for (const StyleChoice& choice : choices)
            FUZZ_EXPECT(!choice.displayName.isEmpty());
    (void)file.details();
    for (int index = 0; index < 17; ++index)
        (void)StringTable::entry(QByteArrayView(bytes), index);

    // The INI data of the first scheme and size, and the input itself read as INI text.
    if (const auto text = file.iniText(0, 0)) {
        FUZZ_EXPECT(text->size() * 2 <= StyleFile::kMaxTextBytes);
        const StyleIni ini = StyleIni::parse(*text);
        expectBounded(ini);
        (void)ini.lookup(u"Window", u"Caption", u"Active", u"ImageFile");
    }
    const StyleIni raw = StyleIni::parse(fromUtf16Le(bytes.constData(), bytes.size() / 2));
    expectBounded(raw);
    for (const QString& name : StyleFile::parseNameList(bytes))
        FUZZ_EXPECT(!name.isEmpty());
    return 0;
}
