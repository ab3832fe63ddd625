// The style file reader: a .msstyles file is a PE resource DLL that anyone can make.
// Whatever the bytes, reading them ends, and the lists read are lists of names.
#include "FuzzCheck.h"
#include "main/StyleFile.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const StyleFile file = StyleFile::fromData(bytes);
    for (const auto* list : {&file.colorNames(), &file.sizeNames()}) {
        if (!*list)
            continue;
        FUZZ_EXPECT(!(*list)->isEmpty());
        for (const QString& name : **list)
            FUZZ_EXPECT(!name.isEmpty() && !name.contains(QChar(0)));
    }
    // Only a style whose lists and format are read may reach a theme service.
    if (file.themeServiceCanOpen())
        FUZZ_EXPECT(file.colorNames() && file.sizeNames() && file.packthemVersion() == 3);
    // The resource found lies inside the file.
    for (const char* type : {"COLORNAMES", "SIZENAMES", "PACKTHEM_VERSION"}) {
        if (const auto found = StyleFile::findResource(bytes, QString::fromLatin1(type), 1)) {
            FUZZ_EXPECT(found->data() >= bytes.data());
            FUZZ_EXPECT(found->data() + found->size() <= bytes.data() + bytes.size());
        }
    }
    // A name list read straight from the bytes.
    for (const QString& name : StyleFile::parseNameList(bytes))
        FUZZ_EXPECT(!name.isEmpty());
    return 0;
}
