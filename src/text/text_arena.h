// Texts kept side by side in large chunks and freed all at once: a store of
// a large file's blocks takes a few allocations instead of one or two per
// block, and a reload writes over memory that the last load already touched.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace quillet {

class TextArena {
public:
    TextArena() = default;
    TextArena(TextArena&&) noexcept = default;
    TextArena& operator=(TextArena&&) noexcept = default;

    // A copy of text that stays where it is until the arena is emptied.
    std::string_view keep(std::string_view text);

    // A text built piece by piece at the end of the arena: add appends to
    // it, close hands it out. One text is open at a time.
    void add(std::string_view piece);
    std::string_view close();
    // The open text's bytes so far.
    std::size_t openSize() const { return static_cast<std::size_t>(next_ - open_); }

    // Empties the arena for reuse: its largest chunk stays, the others go.
    void reuse() noexcept;

    // Expects about bytes of texts to come: the next chunk takes that much.
    void expect(std::size_t bytes) { expected_ = bytes; }

    // The bytes handed out since it was last emptied.
    std::size_t used() const { return used_; }

private:
    char* room(std::size_t n);

    struct Chunk {
        std::unique_ptr<char[]> bytes;
        std::size_t size;
    };
    std::vector<Chunk> chunks_;
    char* next_ = nullptr;
    char* open_ = nullptr;  // where the open text starts (next_ when none is open)
    std::size_t left_ = 0;
    std::size_t used_ = 0;
    std::size_t expected_ = 0;
};

}  // namespace quillet
