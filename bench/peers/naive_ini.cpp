// Peer of loadINIFile + writeINIFile: what a C++ user writes in ten minutes.
// Lines read with std::getline, grouped into blocks of strings at each
// header line, written back with CRLF.
//
//   naive_ini SOURCE TARGET
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: naive_ini SOURCE TARGET\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 1;
    }
    // The lines before the first header make a block of their own.
    std::vector<std::vector<std::string>> blocks(1);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line[first] == '[') blocks.emplace_back();
        blocks.back().push_back(line);
    }

    std::ofstream out(argv[2], std::ios::binary);
    for (const auto& block : blocks)
        for (const auto& l : block) out << l << "\r\n";
    out.close();
    if (!out) {
        std::cerr << "cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
