// Where the options find the language files when the host gives no folder:
// "lang/" beside the program, else the folder of the library's own code (a
// host that lives elsewhere than the library), else the installed folder.
#include "Option.h"
#include "TestSupport.h"

#include <QDir>

using namespace quorvel;
using namespace quorvel::test;

namespace {

struct LanguageFolderCase {
    const char *name;
    bool programHasLang;    // the program folder holds lang/LangCN with text 12 = "beside the program"
    bool explicitFolder;    // the host names a folder holding text 12 = "named by the host"
    const char *expected12; // null: the delivered text beside the library's code
};

void PrintTo(const LanguageFolderCase &c, std::ostream *os) { *os << c.name; }

class LanguageFolder : public TempUserFolder, public ::testing::WithParamInterface<LanguageFolderCase> {
protected:
    void writeLang(const QString &folder, const char *text12)
    {
        ASSERT_TRUE(QDir().mkpath(folder));
        writeAll(folder + QStringLiteral("LangCN"), QByteArray("12=") + text12 + "\n");
    }
};

TEST_P(LanguageFolder, TextsComeFromTheFirstFolderThatExists)
{
    const LanguageFolderCase &c = GetParam();
    OptionEnvironment env;
    env.userFolder = user;
    env.programFolder = tmp.path() + QStringLiteral("/prog/");
    ASSERT_TRUE(QDir().mkpath(env.programFolder));
    if (c.programHasLang)
        writeLang(env.programFolder + QStringLiteral("lang/"), "beside the program");
    if (c.explicitFolder) {
        env.langFolder = tmp.path() + QStringLiteral("/named/");
        writeLang(env.langFolder, "named by the host");
    }
    // The code of this test links the library's options statically, so the
    // "library's folder" is this program's: the build's bin/ with lang/.
    const QString delivered = QString::fromUtf8(readAll(programFolder() + QStringLiteral("lang/LangCN")));
    ASSERT_TRUE(delivered.contains(QStringLiteral("\n12="))) << "the build copies lang/ beside the programs";

    Option option(file(QStringLiteral("qxCamera.ini")), env);
    ASSERT_EQ(option.langIndex, 1);
    if (c.expected12) {
        EXPECT_EQ(option.getText(12), QString::fromUtf8(c.expected12));
    } else {
        const qsizetype at = delivered.indexOf(QStringLiteral("\n12=")) + 4;
        const QString want = delivered.mid(at, delivered.indexOf(u'\n', at) - at).trimmed();
        EXPECT_FALSE(want.isEmpty());
        EXPECT_EQ(option.getText(12), want);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LanguageFolder,
    ::testing::Values(LanguageFolderCase{"BesideTheProgram", true, false, "beside the program"},
                      LanguageFolderCase{"NamedByTheHost", true, true, "named by the host"},
                      LanguageFolderCase{"BesideTheLibrarysCode", false, false, nullptr}),
    [](const ::testing::TestParamInfo<LanguageFolderCase> &info) { return std::string(info.param.name); });

} // namespace
