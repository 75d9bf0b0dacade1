// What an installation and the Debian package hold: the programs, the help file, the
// examples and the desktop integration, checked by installing the build into a temporary
// prefix and by packing it. The desktop files also go through the distribution's validators
// when they are installed.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "format/NumberForms.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSource = KINETRA_SOURCE_DIR;
const fs::path kDataDir = fs::path(KINETRA_INSTALL_DATADIR);
const fs::path kBinDir = fs::path(KINETRA_INSTALL_BINDIR);

struct Outcome {
    int status = -1;
    std::string output;
};

std::string quoted(const fs::path& p)
{
    return "'" + p.string() + "'";
}

Outcome run(const std::string& command)
{
    Outcome r;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) r.output.append(buf, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

bool haveTool(const std::string& name)
{
    return run("command -v " + name).status == 0;
}

std::string readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fresh folder that removes itself.
struct TempDir {
    fs::path path;
    TempDir()
    {
        std::random_device rd;
        path = fs::temp_directory_path() /
               ("kinetra-pkg-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(path);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

// The help file the program at `program` opens for the data entry window's "Help" when run
// offscreen in an empty folder (so that the path rule misses): "HELP-FILE <path>", or the
// viewer's message. Empty when the program cannot be driven here.
std::string helpFileFoundBy(const fs::path& program)
{
#ifdef KINETRA_HELP_DRIVER
    TempDir cwd;
    TempDir runtime;
    fs::permissions(runtime.path, fs::perms::owner_all);
    const Outcome r = run("cd " + quoted(cwd.path) + " && env QT_QPA_PLATFORM=offscreen QT_FONT_DPI=96 " +
                          "XDG_RUNTIME_DIR=" + quoted(runtime.path) + " ASAN_OPTIONS=verify_asan_link_order=0 " +
                          "LD_PRELOAD=" + quoted(KINETRA_HELP_DRIVER) + " timeout 60 " + quoted(program));
    const std::size_t at = r.output.find("HELP-");
    return at == std::string::npos ? "no answer (status " + std::to_string(r.status) + "): " + r.output
                                   : r.output.substr(at, r.output.find('\n', at) - at);
#else
    (void)program;
    return {};
#endif
}

// One installation into a temporary prefix for all tests of this file.
class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new TempDir;
        install = run(std::string(KINETRA_CMAKE_COMMAND) + " --install " +
                      quoted(KINETRA_BINARY_DIR) + " --prefix " + quoted(dir->path));
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }
    void SetUp() override { ASSERT_EQ(install.status, 0) << install.output; }

    static fs::path prefix() { return dir->path; }
    static fs::path share() { return dir->path / kDataDir; }

    static TempDir* dir;
    static Outcome install;
};
TempDir* Installed::dir = nullptr;
Outcome Installed::install;

double h(double s, double v, double n, double k)
{
    return v * std::pow(s, n) / (std::pow(k, n) + std::pow(s, n));
}

std::string keyValue(const std::string& text, const std::string& key)
{
    std::smatch m;
    const std::regex re("(^|\n)" + key + "=([^\n]*)");
    return std::regex_search(text, m, re) ? m[2].str() : std::string();
}

TEST_F(Installed, EveryFileInPlace)
{
    // installed file, and the source file it must equal byte for byte
    const std::vector<std::pair<fs::path, fs::path>> files = {
        {kDataDir / "kinetra/helpkinetra.hlp", kSource / "help/helpkinetra.hlp"},
        {kDataDir / "kinetra/examples/michaelis_menten.txt",
         kSource / "examples/michaelis_menten.txt"},
        {kDataDir / "kinetra/examples/sigmoidal.txt", kSource / "examples/sigmoidal.txt"},
        {kDataDir / "kinetra/examples/two_curves.txt", kSource / "examples/two_curves.txt"},
        {kDataDir / "kinetra/examples/README.md", kSource / "examples/README.md"},
        {kDataDir / "applications/kinetra.desktop", kSource / "packaging/kinetra.desktop"},
        {kDataDir / "icons/hicolor/scalable/apps/kinetra.svg", kSource / "packaging/kinetra.svg"},
        {kDataDir / "metainfo/org.kinetra.Kinetra.metainfo.xml",
         kSource / "packaging/org.kinetra.Kinetra.metainfo.xml"},
    };
    for (const auto& [installed, source] : files) {
        ASSERT_TRUE(fs::is_regular_file(prefix() / installed)) << installed;
        EXPECT_EQ(readFile(prefix() / installed), readFile(source)) << installed;
    }
    for (const char* program : {"kinetra", "kinetra-fit"}) {
        const fs::path p = prefix() / kBinDir / program;
        ASSERT_TRUE(fs::is_regular_file(p)) << p;
        EXPECT_NE(fs::status(p).permissions() & fs::perms::owner_exec, fs::perms::none) << p;
    }
}

// Installed under any prefix, the program finds its help file beside it.
TEST_F(Installed, ProgramFindsTheHelpFileInstalledBesideIt)
{
    const fs::path program = prefix() / kBinDir / "kinetra";
    if (!fs::exists(program)) GTEST_SKIP() << "built without the windowed program";
    const std::string help = helpFileFoundBy(program);
    if (help.empty()) GTEST_SKIP() << "the windowed program cannot be driven in this build";
    EXPECT_EQ(help, "HELP-FILE " + (share() / "kinetra/helpkinetra.hlp").lexically_normal().string());
}

TEST_F(Installed, DesktopEntryIconAndMetainfoAgree)
{
    const fs::path desktop = share() / "applications/kinetra.desktop";
    const fs::path metainfo = share() / "metainfo/org.kinetra.Kinetra.metainfo.xml";
    const std::string entry = readFile(desktop);
    const std::string meta = readFile(metainfo);

    EXPECT_TRUE(fs::is_regular_file(prefix() / kBinDir / keyValue(entry, "Exec")))
        << keyValue(entry, "Exec");
    EXPECT_TRUE(fs::is_regular_file(share() / "icons/hicolor/scalable/apps" /
                                    (keyValue(entry, "Icon") + ".svg")));
    EXPECT_NE(meta.find("<launchable type=\"desktop-id\">kinetra.desktop</launchable>"),
              std::string::npos);
    const std::regex binary("<binary>([^<]+)</binary>");
    for (auto it = std::sregex_iterator(meta.begin(), meta.end(), binary);
         it != std::sregex_iterator(); ++it)
        EXPECT_TRUE(fs::is_regular_file(prefix() / kBinDir / (*it)[1].str())) << (*it)[1].str();

    const std::string svg = readFile(share() / "icons/hicolor/scalable/apps/kinetra.svg");
    EXPECT_NE(svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos);
    if (haveTool("xmllint")) {
        for (const fs::path& xml :
             {metainfo, share() / "icons/hicolor/scalable/apps/kinetra.svg"}) {
            const Outcome r = run("xmllint --noout " + quoted(xml));
            EXPECT_EQ(r.status, 0) << xml << "\n" << r.output;
        }
    }
    if (haveTool("desktop-file-validate")) {
        const Outcome r = run("desktop-file-validate " + quoted(desktop));
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(r.output.find("error"), std::string::npos) << r.output;
    }
    if (haveTool("appstreamcli")) {
        const Outcome r = run("appstreamcli validate --no-net " + quoted(metainfo));
        EXPECT_EQ(r.status, 0) << r.output;
    }
}

// The examples read as data files (one "concentration,rate" record per line, CR LF, every
// value above 0, sorted, no empty line at the end, at most 200 records) and follow the
// rate laws that their README promises, within the scatter they were made with.
TEST_F(Installed, ExamplesAreDataFilesOfTheirRateLaws)
{
    struct Example {
        const char* file;
        std::size_t points;
        double (*law)(double);
    };
    const std::vector<Example> examples = {
        {"michaelis_menten.txt", 12, [](double s) { return h(s, 100, 1, 0.5); }},
        {"sigmoidal.txt", 14, [](double s) { return 3 + h(s, 80, 2.5, 2); }},
        {"two_curves.txt", 20, [](double s) { return 2 + h(s, 40, 1, 0.02) + h(s, 60, 2, 40); }},
    };
    for (const Example& ex : examples) {
        const std::string text = readFile(share() / "kinetra/examples" / ex.file);
        ASSERT_FALSE(text.empty()) << ex.file;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << ex.file;
        EXPECT_EQ(text.find("\r\n\r\n"), std::string::npos) << ex.file;

        std::vector<std::pair<double, double>> points;
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = text.find("\r\n", start);
            ASSERT_NE(end, std::string::npos) << ex.file << ": a line without CR LF";
            const std::string line = text.substr(start, end - start);
            start = end + 2;
            const std::size_t comma = line.find(',');
            ASSERT_NE(comma, std::string::npos) << ex.file << ": " << line;
            const auto s = kinetra::parseDecimal(line.substr(0, comma));
            const auto v = kinetra::parseDecimal(line.substr(comma + 1));
            ASSERT_TRUE(s && v) << ex.file << ": " << line;
            EXPECT_GT(*s, 0.0) << ex.file << ": " << line;
            EXPECT_GT(*v, 0.0) << ex.file << ": " << line;
            if (!points.empty()) {
                EXPECT_GT(*s, points.back().first) << ex.file << ": " << line;
            }
            // 2 % scatter and a reading error of 0.3 give this bound four standard deviations wide
            const double expected = ex.law(*s);
            EXPECT_LE(std::fabs(*v - expected), 0.08 * expected + 1.2) << ex.file << ": " << line;
            points.emplace_back(*s, *v);
        }
        EXPECT_EQ(points.size(), ex.points) << ex.file;
        EXPECT_LE(points.size(), 200u);
    }
}

TEST_F(Installed, DebianPackageHoldsTheProgramAndItsDependencies)
{
    if (!haveTool("dpkg-deb") || !haveTool("dpkg-shlibdeps"))
        GTEST_SKIP() << "dpkg tools are not installed";
    TempDir out;
    const Outcome pack =
        run(std::string(KINETRA_CPACK_COMMAND) + " -G DEB --config " +
            quoted(fs::path(KINETRA_BINARY_DIR) / "CPackConfig.cmake") + " -B " + quoted(out.path));
    ASSERT_EQ(pack.status, 0) << pack.output;
    fs::path deb;
    for (const auto& e : fs::directory_iterator(out.path))
        if (e.path().extension() == ".deb") deb = e.path();
    ASSERT_FALSE(deb.empty()) << pack.output;

    EXPECT_EQ(run("dpkg-deb -f " + quoted(deb) + " Package").output, "kinetra\n");
    const std::string depends = run("dpkg-deb -f " + quoted(deb) + " Depends").output;
    for (const char* lib : {"libqt6widgets6", "libqt6core6", "libstdc++6", "fonts-liberation"})
        EXPECT_NE(depends.find(lib), std::string::npos) << lib << " missing in: " << depends;

    const std::string contents = run("dpkg-deb -c " + quoted(deb)).output;
    for (const char* file :
         {"./usr/bin/kinetra", "./usr/bin/kinetra-fit", "./usr/share/kinetra/helpkinetra.hlp",
          "./usr/share/kinetra/examples/two_curves.txt", "./usr/share/applications/kinetra.desktop",
          "./usr/share/icons/hicolor/scalable/apps/kinetra.svg",
          "./usr/share/metainfo/org.kinetra.Kinetra.metainfo.xml"})
        EXPECT_NE(contents.find(std::string(file) + "\n"), std::string::npos) << file;

    // unpacked anywhere, the command fits an example installed beside it
    TempDir root;
    const Outcome unpack = run("dpkg-deb -x " + quoted(deb) + " " + quoted(root.path));
    ASSERT_EQ(unpack.status, 0) << unpack.output;
    const fs::path fit = root.path / "usr/bin/kinetra-fit";
    const fs::path example = root.path / "usr/share/kinetra/examples/michaelis_menten.txt";
    ASSERT_TRUE(fs::exists(fit) && fs::exists(example));
    const Outcome fitted = run(quoted(fit) + " " + quoted(example) + " --json");
    EXPECT_EQ(fitted.status, 0) << fitted.output;
    EXPECT_NE(fitted.output.find("\"curves\":[{\"curve\":1,"), std::string::npos) << fitted.output;
    EXPECT_NE(fitted.output.find("\"end\":null"), std::string::npos) << fitted.output;

    // and the program finds the help file unpacked beside it, before any compiled-in folder
    const fs::path program = root.path / "usr/bin/kinetra";
    if (!fs::exists(program)) GTEST_SKIP() << "the package holds no windowed program (built without Qt)";
    const std::string help = helpFileFoundBy(program);
    if (help.empty()) GTEST_SKIP() << "the windowed program cannot be driven in this build";
    EXPECT_EQ(help, "HELP-FILE " + (root.path / "usr/share/kinetra/helpkinetra.hlp").string());
}

}  // namespace
