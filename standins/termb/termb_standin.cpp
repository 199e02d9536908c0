// Simulated ID card reader with the entry points of the vendor library
// "termb". Everything it does comes from a small text file, so tests and
// demonstrations can play a reader without hardware:
//
//   file: $TERMB_STANDIN_CONFIG, else "termb-standin.ini" in the working
//         directory, else "termb-standin.ini" beside this library.
//   lines "key=value" (UTF-8); "#" or ";" start a comment; "[section]" lines
//   are ignored.
//
//   port          port at which the reader answers InitComm (1-4 serial,
//                 1001-1004 USB); 0 or missing: no reader
//   samid         reader identification returned by GetSAMID
//   authenticate  results of successive Authenticate calls, comma separated;
//                 the last one repeats (default 1)
//   read_content  results of successive Read_Content calls, likewise
//                 (default 1); files are written only for a result of 1
//   log           file to which every call is appended as one line
//   name sex nation birth address id issuer valid_from valid_to
//                 the card's fields as the card holds them
//   photo         a bitmap file copied as "zp.bmp"; without it a 102 x 126
//                 picture is drawn
//   padding       "space" (default, as readers pad) or "nul"
//
// The file is read again at every InitComm, which also restarts the result
// sequences; Read_Content writes "wz.txt", "zp.bmp" and "xp.wlt" into the
// working directory.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#define TERMB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Config {
    std::map<std::string, std::string> values;
    std::vector<int> authenticate{1};
    std::vector<int> readContent{1};
    int port = 0;

    std::string get(const std::string &key, const std::string &def = {}) const
    {
        auto it = values.find(key);
        return it == values.end() ? def : it->second;
    }
};

struct State {
    Config config;
    bool loaded = false;
    int openPort = 0;
    size_t authenticateCalls = 0;
    size_t readCalls = 0;
    char samId[256] = {};
};

State g_state;

std::string trim(const std::string &s)
{
    const char *ws = " \t\r\n";
    const size_t b = s.find_first_not_of(ws);
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(ws) - b + 1);
}

std::vector<int> parseList(const std::string &text, std::vector<int> def)
{
    std::vector<int> out;
    std::stringstream ss(text);
    std::string item;
    while (std::getline(ss, item, ',')) {
        item = trim(item);
        if (!item.empty())
            out.push_back(std::atoi(item.c_str()));
    }
    return out.empty() ? def : out;
}

std::string libraryFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&libraryFolder), &info) == 0 || !info.dli_fname)
        return {};
    std::string path = info.dli_fname;
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string configPath()
{
    if (const char *env = std::getenv("TERMB_STANDIN_CONFIG"); env && *env)
        return env;
    if (std::ifstream("termb-standin.ini").good())
        return "termb-standin.ini";
    return libraryFolder() + "termb-standin.ini";
}

void loadConfig()
{
    Config c;
    std::ifstream in(configPath());
    std::string line;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '[')
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        c.values[trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
    }
    c.port = std::atoi(c.get("port", "0").c_str());
    c.authenticate = parseList(c.get("authenticate"), {1});
    c.readContent = parseList(c.get("read_content"), {1});
    g_state.config = c;
    g_state.loaded = true;
    g_state.authenticateCalls = 0;
    g_state.readCalls = 0;
    std::snprintf(g_state.samId, sizeof g_state.samId, "%s", c.get("samid").c_str());
}

const Config &config()
{
    if (!g_state.loaded)
        loadConfig();
    return g_state.config;
}

void logCall(const std::string &line)
{
    const std::string path = config().get("log");
    if (path.empty())
        return;
    std::ofstream out(path, std::ios::app);
    out << line << '\n';
}

int nextResult(const std::vector<int> &seq, size_t &calls)
{
    const int r = seq[calls < seq.size() ? calls : seq.size() - 1];
    ++calls;
    return r;
}

// UTF-8 to UTF-16 code units; malformed bytes become U+FFFD.
std::u16string toUtf16(const std::string &s)
{
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp = 0xFFFD;
        size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c >> 5) == 0x6 && i + 1 < s.size()) {
            cp = ((c & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu);
            len = 2;
        } else if ((c >> 4) == 0xE && i + 2 < s.size()) {
            cp = ((c & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
            len = 3;
        } else if ((c >> 3) == 0x1E && i + 3 < s.size()) {
            cp = ((c & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6)
                 | (s[i + 3] & 0x3Fu);
            len = 4;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

// One slot: the text's code units, cut at the slot's size, padded.
void putSlot(std::vector<uint8_t> &rec, size_t offset, size_t units, const std::string &text,
             char16_t pad)
{
    const std::u16string t = toUtf16(text);
    for (size_t i = 0; i < units; ++i) {
        const char16_t u = i < t.size() ? t[i] : pad;
        rec[offset + 2 * i] = static_cast<uint8_t>(u & 0xFF);
        rec[offset + 2 * i + 1] = static_cast<uint8_t>(u >> 8);
    }
}

bool writeFile(const char *name, const std::vector<uint8_t> &bytes)
{
    FILE *f = std::fopen(name, "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> textRecord(const Config &c)
{
    const char16_t pad = c.get("padding") == "nul" ? u'\0' : u' ';
    std::vector<uint8_t> rec(256, 0);
    putSlot(rec, 0, 15, c.get("name"), pad);
    putSlot(rec, 30, 1, c.get("sex"), pad);
    putSlot(rec, 32, 2, c.get("nation"), pad);
    putSlot(rec, 36, 8, c.get("birth"), pad);
    putSlot(rec, 52, 35, c.get("address"), pad);
    putSlot(rec, 122, 18, c.get("id"), pad);
    putSlot(rec, 158, 15, c.get("issuer"), pad);
    putSlot(rec, 188, 8, c.get("valid_from"), pad);
    putSlot(rec, 204, 8, c.get("valid_to"), pad);
    putSlot(rec, 220, 18, "", pad); // reserved
    return rec;
}

void put16(std::vector<uint8_t> &b, size_t at, uint16_t v)
{
    b[at] = v & 0xFF;
    b[at + 1] = v >> 8;
}
void put32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = (v >> (8 * i)) & 0xFF;
}

// A 102 x 126 24-bit bitmap: a head and shoulders on a pale background.
std::vector<uint8_t> drawnPhoto()
{
    const int w = 102, h = 126, stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> b(54 + size_t(stride) * h, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, uint32_t(b.size()));
    put32(b, 10, 54);
    put32(b, 14, 40);
    put32(b, 18, w);
    put32(b, 22, h);
    put16(b, 26, 1);
    put16(b, 28, 24);
    put32(b, 34, uint32_t(stride * h));
    for (int y = 0; y < h; ++y) {     // y from the top
        for (int x = 0; x < w; ++x) {
            uint8_t r = 235, g = 240, bl = 250;
            const double hx = (x - 51) / 24.0, hy = (y - 50) / 30.0;
            const double sx = (x - 51) / 48.0, sy = (y - 126) / 34.0;
            if (hx * hx + hy * hy <= 1.0) {
                if (y < 32) { r = 40; g = 30; bl = 25; }      // hair
                else { r = 232; g = 196; bl = 170; }         // face
            } else if (sx * sx + sy * sy <= 1.0) {
                r = 40; g = 60; bl = 110;                     // shoulders
            }
            const size_t at = 54 + size_t(h - 1 - y) * stride + size_t(x) * 3;
            b[at] = bl;
            b[at + 1] = g;
            b[at + 2] = r;
        }
    }
    return b;
}

std::vector<uint8_t> photo(const Config &c)
{
    const std::string path = c.get("photo");
    if (!path.empty()) {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        if (!bytes.empty())
            return bytes;
    }
    return drawnPhoto();
}

// The card's raw photo: 1024 bytes, derived from the citizen number.
std::vector<uint8_t> rawPhoto(const Config &c)
{
    std::vector<uint8_t> b(1024);
    uint32_t x = 2166136261u;
    for (char ch : c.get("id"))
        x = (x ^ static_cast<uint8_t>(ch)) * 16777619u;
    for (auto &v : b) {
        x = x * 1664525u + 1013904223u;
        v = static_cast<uint8_t>(x >> 24);
    }
    return b;
}

} // namespace

TERMB_EXPORT int InitComm(int port)
{
    loadConfig();
    const int result = (g_state.config.port != 0 && port == g_state.config.port) ? 1 : 0;
    if (result == 1)
        g_state.openPort = port;
    logCall("InitComm " + std::to_string(port) + " " + std::to_string(result));
    return result;
}

TERMB_EXPORT const char *GetSAMID()
{
    config();
    logCall("GetSAMID");
    return g_state.samId;
}

TERMB_EXPORT int Authenticate()
{
    const int result = g_state.openPort == 0
                           ? 0
                           : nextResult(config().authenticate, g_state.authenticateCalls);
    logCall("Authenticate " + std::to_string(result));
    return result;
}

TERMB_EXPORT int Read_Content(int active)
{
    int result = 0;
    if (g_state.openPort != 0 && active == 1) {
        result = nextResult(config().readContent, g_state.readCalls);
        if (result == 1) {
            const Config &c = config();
            if (!writeFile("wz.txt", textRecord(c)) || !writeFile("zp.bmp", photo(c))
                || !writeFile("xp.wlt", rawPhoto(c)))
                result = 0;
        }
    }
    logCall("Read_Content " + std::to_string(active) + " " + std::to_string(result));
    return result;
}
