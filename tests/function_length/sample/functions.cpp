// Functions of known length for the function-length check's own test. It is
// never compiled: its braces hide in strings, characters and comments the way
// real code's do.
namespace {

int SpreadOver(int a,
               int b) {
    const char* open = "{{{";
    char close = '}';
    // don't count this } nor this {
    /* a block comment { spanning
       two lines } */
    const char* quote = "\"}\\";
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
    a += b;
}

int JustShort(int a) {
    const char* s = "}}"; // }
    if (a) { a = '{'; }
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
    a += 1;
}

const int table[] = {
    0,
    1,
    2,
    3,
    4,
    5,
    6,
    7,
    8,
    9,
    10,
    11,
    12,
    13,
    14,
    15,
    16,
    17,
    18,
    19,
    20,
    21,
    22,
    23,
    24,
    25,
    26,
    27,
    28,
    29,
    30,
    31,
    32,
    33,
    34,
    35,
    36,
    37,
    38,
    39,
    40,
    41,
    42,
    43,
    44,
    45,
    46,
    47,
    48,
    49,
    50,
    51,
    52,
    53,
    54,
    55,
    56,
    57,
    58,
    59,
    60,
    61,
    62,
    63,
    64,
    65,
    66,
    67,
};

} // namespace

class Holder {
  public:
    int Member() const
    {
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
        return 0;
    }
};
