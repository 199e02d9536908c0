// Folder listings as servers send them, read line by line: what each line
// form gives, and that a line which does not read cleanly is counted rather
// than turned into a made-up entry.
#include "FtpListing.h"
#include "ParamName.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using namespace quorvel;
using Kind = FtpListEntry::Kind;

namespace {

struct Expected {
    Kind kind;
    const char *name;  // UTF-8
};

struct ParseCase {
    const char *name;
    const char *listing;
    std::vector<Expected> entries;
    int malformed;
};

std::ostream &operator<<(std::ostream &os, const ParseCase &c)
{
    return os << c.name;
}

const char *kindText(Kind kind)
{
    switch (kind) {
    case Kind::Folder:
        return "folder";
    case Kind::File:
        return "file";
    case Kind::Other:
        break;
    }
    return "other";
}

std::string describe(const std::vector<FtpListEntry> &entries)
{
    std::string out;
    for (const FtpListEntry &e : entries)
        out += std::string(kindText(e.kind)) + " \"" + e.name.toStdString() + "\"\n";
    return out;
}

std::string describe(const std::vector<Expected> &entries)
{
    std::string out;
    for (const Expected &e : entries)
        out += std::string(kindText(e.kind)) + " \"" + e.name + "\"\n";
    return out;
}

void expectListing(const FtpListing &got, const ParseCase &c)
{
    EXPECT_EQ(describe(got.entries), describe(c.entries));
    EXPECT_EQ(got.malformed, c.malformed);
}

auto caseName = [](const auto &info) { return vq::test::paramName(info.param.name); };

class MlsdLines : public ::testing::TestWithParam<ParseCase> {};

TEST_P(MlsdLines, GiveTheirEntriesAndCountWhatCannotBeRead)
{
    expectListing(parseMlsdListing(QByteArray(GetParam().listing)), GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Mlsd, MlsdLines,
    ::testing::Values(
        ParseCase{"Folder and file", "type=dir;modify=20240101120000; pics\r\n"
                                     "type=file;size=12;modify=20240101120000; a.jpg\r\n",
                  {{Kind::Folder, "pics"}, {Kind::File, "a.jpg"}}, 0},
        ParseCase{"Facts in any order and case", "Size=5;TYPE=File;Perm=r; one\r\n"
                                                 "perm=el;Type=DIR; two\r\n"
                                                 "unique=801g4;type=dIr;sizd=4096; three\r\n",
                  {{Kind::File, "one"}, {Kind::Folder, "two"}, {Kind::Folder, "three"}}, 0},
        ParseCase{"Current and parent skipped", "type=cdir;perm=el; /home/camera\r\n"
                                                "type=pdir;perm=el; /home\r\n"
                                                "type=cdir; .\r\n"
                                                "type=dir; .\r\n"
                                                "type=dir; ..\r\n"
                                                "type=file; kept\r\n",
                  {{Kind::File, "kept"}}, 0},
        ParseCase{"Links and devices are other kinds", "type=OS.unix=slink:/etc/passwd;size=11; link\r\n"
                                                       "type=OS.unix=chr-13/29; tty\r\n"
                                                       "size=3; untyped\r\n",
                  {{Kind::Other, "link"}, {Kind::Other, "tty"}, {Kind::Other, "untyped"}}, 0},
        ParseCase{"Names with spaces and Chinese", "type=dir; 我的 图片\r\n"
                                                   "type=file;size=1;  leading space.jpg\r\n"
                                                   "type=file;size=1; trailing \r\n"
                                                   "type=file; a;b=c d\r\n",
                  {{Kind::Folder, "我的 图片"}, {Kind::File, " leading space.jpg"}, {Kind::File, "trailing "},
                   {Kind::File, "a;b=c d"}},
                  0},
        ParseCase{"LF only", "type=dir; a\ntype=file; b\n", {{Kind::Folder, "a"}, {Kind::File, "b"}}, 0},
        ParseCase{"No facts at all", " bare\r\n", {{Kind::Other, "bare"}}, 0},
        ParseCase{"Cut last line dropped", "type=dir; a\r\ntype=file; b\r\ntype=file;size=12; hal",
                  {{Kind::Folder, "a"}, {Kind::File, "b"}}, 0},
        ParseCase{"Cut line ending in CR dropped", "type=dir; a\r\ntype=file; b\r", {{Kind::Folder, "a"}}, 0},
        ParseCase{"Empty lines skipped", "\r\n\ntype=dir; a\r\n   \r\n", {{Kind::Folder, "a"}}, 0},
        ParseCase{"Missing separator", "type=file;size=3 nosemicolon\r\n"
                                       "type=file;size=3;nospace\r\n"
                                       "type=dir; good\r\n",
                  {{Kind::Folder, "good"}}, 2},
        ParseCase{"Facts without value or name", "type; a\r\n"
                                                 "=dir; b\r\n"
                                                 "type=dir;;size=1; c\r\n"
                                                 "type=dir; \r\n",
                  {}, 4},
        ParseCase{"Names that cannot be asked for", "type=file; bad\xff\xfe utf8\r\n"
                                                    "type=file; a/b\r\n"
                                                    "type=file; ok\r\n",
                  {{Kind::File, "ok"}}, 2},
        ParseCase{"Unix line in a machine listing", "drwxr-xr-x 2 u g 4096 Jan 01 12:00 pics\r\n", {}, 1},
        ParseCase{"Nothing", "", {}, 0}),
    caseName);

class UnixLines : public ::testing::TestWithParam<ParseCase> {};

TEST_P(UnixLines, GiveTheirEntriesAndCountWhatCannotBeRead)
{
    expectListing(parseUnixListing(QByteArray(GetParam().listing)), GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Unix, UnixLines,
    ::testing::Values(
        ParseCase{"Folders and files", "total 12\r\n"
                                       "drwxr-xr-x   2 camera   camera       4096 Jan 01 12:00 pics\r\n"
                                       "-rw-r--r--   1 camera   camera      70000 Dec 31 23:59 a.jpg\r\n",
                  {{Kind::Folder, "pics"}, {Kind::File, "a.jpg"}}, 0},
        ParseCase{"Year instead of time", "drwxr-xr-x 2 u g 4096 Mar  5  2019 old\r\n"
                                          "-rw-r--r-- 1 u g 1 Aug 9 2011 older.jpg\r\n",
                  {{Kind::Folder, "old"}, {Kind::File, "older.jpg"}}, 0},
        ParseCase{"Links and others", "lrwxrwxrwx 1 u g 11 Jan 01 12:00 latest -> pics/a.jpg\r\n"
                                      "lrwxrwxrwx 1 u g 11 Jan 01 12:00 bare link\r\n"
                                      "crw-rw-rw- 1 u g 0 Jan 01 12:00 null\r\n"
                                      "prw-r--r-- 1 u g 0 Jan 01 12:00 fifo\r\n",
                  {{Kind::Other, "latest"}, {Kind::Other, "bare link"}, {Kind::Other, "null"}, {Kind::Other, "fifo"}},
                  0},
        ParseCase{"Names with spaces and Chinese", "drwxr-xr-x 2 u g 4096 Jan 01 12:00 我的 图片\r\n"
                                                   "-rw-r--r-- 1 u g 9 Jan 01 12:00  two  spaces \r\n"
                                                   "-rw-r--r-- 1 u g 9 Jan 01 12:00 Jan 01 12:00 x\r\n",
                  {{Kind::Folder, "我的 图片"}, {Kind::File, " two  spaces "}, {Kind::File, "Jan 01 12:00 x"}}, 0},
        ParseCase{"No group column", "drwxr-xr-x 2 camera 4096 Jan 01 12:00 pics\r\n"
                                     "-rw-r--r-- 1 camera 12 Feb 29 2024 a.jpg\n",
                  {{Kind::Folder, "pics"}, {Kind::File, "a.jpg"}}, 0},
        ParseCase{"ACL mark after the mode", "drwxr-xr-x+ 2 u g 4096 Jan 01 12:00 acl\r\n"
                                             "-rw-r--r--@ 1 u g 1 Jan 01 12:00 mac\r\n",
                  {{Kind::Folder, "acl"}, {Kind::File, "mac"}}, 0},
        ParseCase{"Dot entries skipped", "drwxr-xr-x 2 u g 4096 Jan 01 12:00 .\r\n"
                                         "drwxr-xr-x 9 u g 4096 Jan 01 12:00 ..\r\n"
                                         "-rw-r--r-- 1 u g 1 Jan 01 12:00 .hidden\r\n",
                  {{Kind::File, ".hidden"}}, 0},
        ParseCase{"LF only and cut last line", "drwxr-xr-x 2 u g 4096 Jan 01 12:00 a\n"
                                               "-rw-r--r-- 1 u g 1 Jan 01 12:00 b\n"
                                               "-rw-r--r-- 1 u g 1 Jan 01 12",
                  {{Kind::Folder, "a"}, {Kind::File, "b"}}, 0},
        ParseCase{"Junk", "hello world\r\n"
                          "total\r\n"
                          "total twelve\r\n"
                          "drwxr-xr-x 2 u g 4096 Foo 01 12:00 badmonth\r\n"
                          "drwxr-xr-x 2 u g 4096 Jan 32 12:00 badday\r\n"
                          "drwxr-xr-x 2 u g 4096 Jan 01 25:00 badtime\r\n"
                          "drwxr-xr-x 2 u g big Jan 01 12:00 badsize\r\n"
                          "xrwxr-xr-x 2 u g 4096 Jan 01 12:00 badmode\r\n"
                          "drwxr-xr-x 2 u g 4096 Jan 01 12:00\r\n"
                          "drwxr-xr-x 2 u g 4096 Jan 01 12:00 \r\n"
                          "type=dir; machine\r\n"
                          "-rw-r--r-- 1 u g 1 Jan 01 12:00 bad\xc3\r\n"
                          "-rw-r--r-- 1 u g 1 Jan 01 12:00 kept\r\n",
                  {{Kind::File, "kept"}}, 12},
        ParseCase{"Nothing", "", {}, 0}),
    caseName);

} // namespace
