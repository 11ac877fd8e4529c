#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "serialization/binary_reader.h"
#include "serialization/object_key.h"

namespace quillbarrow {

class Demo;
class DecodeBudgetScope;

// Reads a document's binary form one record at a time, so that a caller
// which must return to its host between steps (the web page's animation
// frames) can draw the loading screen as it goes. Progress is reported
// after every record, as a whole read reports it.
class DocumentReading {
public:
    // Reads the record count. `demo` and `in` outlive the reading.
    DocumentReading(Demo& demo, BinaryReader& in);
    ~DocumentReading();
    DocumentReading(const DocumentReading&) = delete;
    DocumentReading& operator=(const DocumentReading&) = delete;

    bool finished() const { return finished_; }
    // Reads the next record; after the last one, the music, the tempo and
    // every reference. Throws on corrupt content, as a whole read does.
    void read_next();

private:
    struct ListSteps {
        std::function<std::uint64_t()> read_count;
        std::function<void()> read_record;
    };
    template <class T>
    ListSteps steps_for(std::vector<std::unique_ptr<T>>& list, const char* list_name);
    void finish();

    Demo& demo_;
    BinaryReader& in_;
    std::unique_ptr<DecodeBudgetScope> budget_;
    ObjectMap objects_;
    std::vector<ListSteps> lists_;
    std::size_t count_offset_ = 0;
    std::size_t list_ = 0;
    bool list_started_ = false;
    std::uint64_t left_in_list_ = 0;
    std::uint64_t read_so_far_ = 0;
    bool finished_ = false;
};

}  // namespace quillbarrow
