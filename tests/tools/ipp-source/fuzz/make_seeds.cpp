// Writes the fuzz targets' seeds from what the tests use: the encoded
// printer answers of ipp_messages.h, the same answers as parts of a
// multipart body, and the URIs of the tests' tables (one a line, on
// standard input, as run.sh takes them from uri_test.cpp, ipp_test.cpp and pinning_test.cpp).
//   make_seeds DIR  <uris.txt
#include <stdio.h>

#include <iostream>
#include <string>

#include "ipp_messages.h"

namespace {

bool Write(const std::string &path, const std::string &bytes)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_seeds DIR <uris.txt\n");
        return 1;
    }
    std::string dir = argv[1];
    bool ok = true;
    std::vector<std::string> answers = AnswerSeeds();
    std::string parts;
    for (size_t index = 0; index < answers.size(); ++index) {
        ok &= Write(dir + "/ipp_reader/answer-" + std::to_string(index), answers[index]);
        parts += "--PART\r\nContent-Type: application/ipp\r\n\r\n" + answers[index] + "\r\n";
        // A later part of Event Wait Mode: groups without the message's header.
        if (index == 1)
            parts += "--PART\r\nContent-Type: application/ipp\r\n\r\n" +
                     answers[index].substr(8) + "\r\n";
    }
    ok &= Write(dir + "/multipart/related",
                "multipart/related; boundary=\"PART\"\n" + parts + "--PART--\r\n");
    ok &= Write(dir + "/multipart/unquoted",
                "Multipart/Related;type=\"application/ipp\";BOUNDARY=PART; start=a\n" + parts);
    std::string line;
    int count = 0;
    while (std::getline(std::cin, line))
        ok &= Write(dir + "/uri/table-" + std::to_string(count++), line);
    if (!ok)
        fprintf(stderr, "make_seeds: cannot write the seeds under %s\n", dir.c_str());
    return ok ? 0 : 2;
}
