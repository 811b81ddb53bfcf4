// The search settings and the results Think leaves, with their start-up values.
#include "search/control.h"

int timeLeft = 600000;
int movesPerControl = 0;
int movesToGo = 0;
int baseMinutes = 10;
int increment = 0;
int fixedMoveTime = 0;
int moveTimeBudget = 0;
int savedDepthLimit = 50;
int depthLimit = 50;
int pondering = 0;
int ponderEnabled = 0;
int infiniteAnalysis = 0;
int uciMode = 0;
int xboardMode = 0;
int debugOutput = 0;
int postThinking = 1;
int showCurrentMove = 0;
int multiPV = 1;
int noiseDepth = 4;
int benchmarkMode = 0;

int rootScore = 0;
int lastScore = 0;
int rootMoveCount = 0;
char pvText[2048] = "";
char moveText[16] = "";
Move ponderMove = 0;
char ponderText[16] = "no move";
Move ponderedResult = 0;
char ponderedText[16] = "";
uint64_t ponderStartKey = 0;
int lastMoveCapture = 0;
int bookMisses = 0;
uint8_t openingBonusEnd = 0;
int timeBonus = 0;
int firstMoveFlag = 1; // the first search after start-up counts as a first move
int lowTime = 0;
int8_t reportedDepth = 0;

int32_t nodes = 0;
int abortSearch = 0;
int pendingLine = 0;
uint32_t searchStart = 0;
int elapsed = 0;
int iteration = 0;
uint32_t firstMoveCutoffs = 0;
uint32_t cutoffs = 0;
