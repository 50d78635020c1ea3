#include "explorer/explorer_host.h"

namespace explorer {

const char* ConflictAnswerText(ConflictAnswer answer)
{
    switch (answer) {
    case ConflictAnswer::Overwrite:
        return "OVERWRITE";
    case ConflictAnswer::OverwriteAll:
        return "OVERWRITEALL";
    case ConflictAnswer::Resume:
        return "RESUME";
    case ConflictAnswer::ResumeAll:
        return "RESUMEALL";
    case ConflictAnswer::Skip:
        return "SKIP";
    case ConflictAnswer::SkipAll:
        return "SKIPALL";
    case ConflictAnswer::Yes:
        return "YES";
    case ConflictAnswer::YesToAll:
        return "YESTOALL";
    case ConflictAnswer::No:
        return "NO";
    case ConflictAnswer::Cancel:
        break;
    }
    return "CANCEL";
}

bool IsAnswerForAll(ConflictAnswer answer)
{
    return answer == ConflictAnswer::OverwriteAll || answer == ConflictAnswer::ResumeAll ||
           answer == ConflictAnswer::SkipAll || answer == ConflictAnswer::YesToAll;
}

}  // namespace explorer
