#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// Reads a text file as whitespace-separated words, a block at a time, so that a recording of
// any size is read in a fixed amount of memory. Knows the line of each word for messages.
class CTokenReader {
public:
    // Opens only a regular file (a FIFO or a device would block or never end); false and
    // *error (a sentence, without the file's name) when it cannot.
    bool Open(const std::string& path, std::string* error);

    // The next word, valid until the next call; false at the end of the file or when the file
    // cannot be read on or holds a word longer than kMaxWord (Error() then says which).
    bool Next(std::string_view* word);
    // The line of the word Next gave last (from 1).
    long Line() const { return m_wordLine; }
    const std::string& Error() const { return m_error; }

    // A word longer than this is not part of any recording this reads.
    static constexpr std::size_t kMaxWord = 1 << 16;

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    bool Fill();

    std::unique_ptr<std::FILE, Closer> m_file;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
    long m_line = 1;
    long m_wordLine = 0;
    std::string m_error;
};

}  // namespace sim
