// What a matting pass or a whole mask-generation run answers.
#ifndef VARDEK_MATTING_PASS_RESULT_H
#define VARDEK_MATTING_PASS_RESULT_H

namespace orsine::matting {

// Done; or given up (a class without colours, nothing to work on, no forced
// edge applied), the output then being left as it was or reset to the source.
// Results of several passes combine by bitwise or.
inline constexpr int kPassDone = 0;
inline constexpr int kPassGaveUp = 1;

} // namespace orsine::matting

#endif
