// cerc: compiles a resource script into a C++ source for the device's programs.
//
//   cerc [-I DIR]... [--module NAME] [--library] [--depfile FILE] -o OUT.cpp SCRIPT.rc
//
// --module names the module the resources belong to (default: the script's
// base name); --library registers it as an extra module rather than the
// program's own (GetModuleHandle(NULL)). Errors are printed as
// "file:line: error: ..." and give exit status 1; usage errors give 2.
#include <fstream>
#include <iostream>
#include <sstream>

#include "rc.h"

namespace {

int Usage(const std::string& why) {
    std::cerr << "cerc: " << why << "\n"
              << "usage: cerc [-I DIR]... [--module NAME] [--library] [--depfile FILE] -o OUT.cpp SCRIPT.rc\n";
    return 2;
}

std::string Escape(const std::string& p) {
    std::string out;
    for (char c : p) {
        if (c == ' ' || c == '#' || c == '$') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    rc::Options opts;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "-I" || a == "--module" || a == "-o" || a == "--depfile") {
            const char* v = value();
            if (!v) return Usage(a + " needs a value");
            if (a == "-I")
                opts.includeDirs.emplace_back(v);
            else if (a == "--module")
                opts.module = v;
            else if (a == "-o")
                opts.output = v;
            else
                opts.depfile = v;
        } else if (a.rfind("-I", 0) == 0 && a.size() > 2) {
            opts.includeDirs.emplace_back(a.substr(2));
        } else if (a == "--library") {
            opts.main = false;
        } else if (!a.empty() && a[0] == '-') {
            return Usage("unknown option " + a);
        } else if (opts.script.empty()) {
            opts.script = a;
        } else {
            return Usage("more than one script");
        }
    }
    if (opts.script.empty() || opts.output.empty()) return Usage("a script and -o OUT are required");
    if (opts.module.empty()) opts.module = opts.script.stem().string();

    try {
        rc::Lexer lexer(opts.includeDirs);
        if (!std::filesystem::is_regular_file(opts.script))
            throw rc::Error(opts.script.string(), 0, "cannot open resource script");
        auto tokens = lexer.Run(opts.script);
        std::vector<std::filesystem::path> deps{
            opts.script};  // never an empty list: ninja would treat the depfile as missing
        deps.insert(deps.end(), lexer.included().begin(), lexer.included().end());
        auto resources = rc::Parse(tokens, lexer, opts, &deps);
        std::string text = rc::Emit(resources, opts);
        {
            std::ofstream out(opts.output, std::ios::binary | std::ios::trunc);
            out << text;
            if (!out.flush()) throw rc::Error(opts.output.string(), 0, "cannot write output");
        }
        if (!opts.depfile.empty()) {
            std::ofstream d(opts.depfile, std::ios::trunc);
            d << Escape(opts.output.string()) << ":";
            for (const auto& p : deps) d << " \\\n  " << Escape(p.string());
            d << "\n";
        }
    } catch (const rc::Error& e) {
        std::cerr << e.what() << "\n";
        std::error_code ec;
        std::filesystem::remove(opts.output, ec);
        return 1;
    }
    return 0;
}
