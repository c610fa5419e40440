// korvel-image-check FILE...: checks upgrade image files as the upgrade would before anything is
// sent, one line per file. Exit status 0 when every file passed, 1 otherwise. The build runs it
// on the images it embeds.
#include <cstdio>
#include <string>

#include "firmware/image_file.h"

int main(int argc, char** argv) {
    constexpr uint8_t kModelId = 72;
    if (argc < 2) {
        std::fprintf(stderr, "usage: korvel-image-check FILE...\n");
        return 2;
    }
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const korvel::ImageFileCheck check = korvel::CheckImageFile(argv[i], kModelId);
        if (check.problem == korvel::ImageProblem::kNone) {
            std::printf("%s: %s, %zu bytes to transfer\n", argv[i],
                        korvel::ImageKindName(check.kind), check.bodySize);
        } else {
            std::fprintf(stderr, "%s: %s\n", argv[i], korvel::DescribeImageProblem(check.problem));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
