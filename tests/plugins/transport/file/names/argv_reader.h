#pragma once
#include <string>
#include <string_view>
#include <vector>

// The arguments a program reads from its command line (after its own name) by the C runtime's
// rules, written out independently of the code under test: white space separates arguments
// outside quotes; 2n backslashes and a quote give n backslashes and open or close a quoted
// part, 2n+1 give n and a literal quote; other backslashes are literal; two quotes inside a
// quoted part give one literal quote (the newer runtimes' reading).
inline std::vector<std::u16string> ReadArguments(std::u16string_view line) {
    std::vector<std::u16string> args;
    size_t i = 0;
    const size_t n = line.size();
    for (;;) {
        while (i < n && (line[i] == u' ' || line[i] == u'\t'))
            ++i;
        if (i == n)
            return args;
        std::u16string arg;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != u' ' && line[i] != u'\t'))) {
            if (line[i] == u'\\') {
                size_t run = 0;
                while (i < n && line[i] == u'\\') {
                    ++run;
                    ++i;
                }
                if (i < n && line[i] == u'"') {
                    arg.append(run / 2, u'\\');
                    if (run % 2 == 1) {
                        arg.push_back(u'"');
                        ++i;
                    }
                } else {
                    arg.append(run, u'\\');
                }
            } else if (line[i] == u'"') {
                if (quoted && i + 1 < n && line[i + 1] == u'"') {
                    arg.push_back(u'"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg.push_back(line[i++]);
            }
        }
        args.push_back(std::move(arg));
    }
}
