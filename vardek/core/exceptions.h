// The engine's own exceptions. None leaves an entry function: the entry frames
// turn a cancel into VkCancelled and a failure into VkFailed, marking the
// engine failed. Besides them the engine raises std::bad_alloc when memory
// runs out (VkOutOfMemory where the work can be rolled back), and the standard
// logic errors for arguments that break a function's preconditions.
#ifndef VARDEK_CORE_EXCEPTIONS_H
#define VARDEK_CORE_EXCEPTIONS_H

#include <exception>

// A cancel the application asked for through its progress function.
struct VkExCancel {};

// A failure of the engine's own, with a constant text that says what failed.
// It keeps only the text's address, so raising it never allocates.
class VkExFailure : public std::exception {
public:
    explicit VkExFailure(const char* message) noexcept : message_(message) {}
    const char* what() const noexcept override { return message_; }

private:
    const char* message_;
};

#endif
