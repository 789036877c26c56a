#!/usr/bin/env python3
"""Writes src/lookup/country_blocks.inc, the table of address blocks behind WhereIs.

The whole-octet answers and the second-octet rows listed in FIXED are the program's own and stay
as written. The other second-octet rows of the split first octets are authored from a per-/16
reading of an IPv4 country database (Debian's tor-geoipdb, /usr/share/tor/geoip, exported from
the IPFire Location database, CC BY-SA 4.0): each /16 gets the answer of the vocabulary that best
describes the countries holding its addresses, under these constraints:

  * each split octet has exactly ROW_COUNTS[octet] rows (maximal runs of one answer);
  * only answers of VOCAB (or "X") appear, each at least once, and their first appearances in
    table order follow VOCAB's order;
  * the FIXED rows stay exactly (a fixed row is a whole row: its neighbours answer differently).

Pick the introductions of the answers first (one dynamic programme over all split positions),
then, per octet, the best-fitting labelling with the exact row count (a second one).

Usage: gen_country_blocks.py [--geoip FILE] [--output FILE] [--report]
Standard library only; the output is deterministic for a given database file.
"""

import argparse
import collections
import os
import sys

# ---------------------------------------------------------------------------------------------
# The program's own data.

# Whole first octets: (first, last, answer). The octets of FIXED are split by the second octet.
WHOLE = [
    (0, 2, 'United States'),
    (3, 3, 'General Electric Company, NJ (NET-GE-INTERNET)'),
    (4, 4, 'Bolt Beranek and Newman Inc. - BBN Planet, MA (NET-SATNET)'),
    (5, 5, 'Internet Assigned Numbers Authority (IANA) (NET-RESERVED-5)'),
    (6, 6, 'Army Information Systems Center - USAISC, Yuma Proving Ground, AZ (NET-YPG-NET)'),
    (7, 7, 'Defense Information Systems Agency, VA (NET-DISANET2)'),
    (8, 8, 'Bolt Beranek and Newman Inc., MA (NET-BBN-NET-TEMP)'),
    (9, 9, 'IBM Corporation, NY (NET-IBM)'),
    (10, 10, 'United States'),
    (11, 11, 'DoD Intel Information Systems, Defense Intelligence Agency, Washington DC (NET-DODIIS)'),
    (12, 12, 'AT&T (NET-ATT)'),
    (13, 13, 'Xerox Palo Alto Research Center, CA (NET-XEROX-NET) '),
    (14, 14, 'Public Data Network, US (NET-PDN)'),
    (15, 15, 'Hewlett-Packard Company, CA (NET-HP-INTERNET)'),
    (16, 16, 'Digital Equipment Corporation (NET-DEC-INTERNET)'),
    (17, 17, 'Apple Computer Inc., CA (NET-APPLE-WWNET)'),
    (18, 18, 'Massachusetts Institute of Technology, MA (NET-MIT-TEMP)'),
    (19, 19, 'Ford Motor Company, MI (NET-FINET)'),
    (20, 20, 'Computer Sciences Corporation, VA (NET-CSC)'),
    (21, 21, 'US Defense Information Systems Agency (DDN-RVN), VA (NET-DDN-RVN)'),
    (22, 22, 'Defense Information Systems Agency, Washington DC (NET-DISNET))'),
    (23, 23, 'IANA (reserved) (NET-DDN-TC-NET) (RESERVED-23)'),
    (24, 24, 'United States'),
    (25, 25, 'Royal Signals and Radar Establishment, UK (NET-RSRE-EXP)'),
    (26, 26, 'Defense Information Systems Agency, VA (NET-MILNET)'),
    (27, 27, 'United States'),
    (28, 28, 'ARPA DSI JPO, VA (NET-DSI-NORTH)'),
    (29, 29, 'Defense Information Systems Agency, Washington DC (NET-MILX25-TEMP)'),
    (30, 30, 'Defense Information Systems Agency, Washington DC (NET-ARPAX25-TEMP)'),
    (31, 31, 'IANA (RESERVED-12)'),
    (32, 32, 'IBM Global Services, NH (NETBLK-IBMGLOBALSERV)'),
    (33, 33, 'DLA Systems Automation Center, OH (NET-DCMC)'),
    (34, 34, 'Halliburton Company, TX (NET-HALLIBURTON)'),
    (35, 35, 'MERIT Network Inc., MI (NET-MERIT)'),
    (36, 36, 'Stanford University, CA (NET-SU-NET-TEMP)'),
    (37, 37, 'United States'),
    (38, 38, 'Performance Systems International, VA (NET-PSINETA)'),
    (39, 39, 'United States'),
    (40, 40, 'Eli Lilly and Company, IN (NET-LILLY-NET)'),
    (41, 42, 'United States'),
    (43, 43, 'Japan Inet, Japan (NET-JAPAN-A)'),
    (44, 44, 'Amateur Radio Digital Communications (NET-AMPRNET)'),
    (45, 45, 'Interop Show Network, CA (NET-SHOWNETA)'),
    (46, 46, 'Bolt Beranek and Newman Inc., MA (NET-BBNNET)'),
    (47, 47, 'Canada (Bell-Northern Research)'),
    (48, 48, 'Prudential Securities Inc., NY (NET-PRUBACHE)'),
    (49, 49, 'Joint Tactical Command, Control, and Communications Agency, AZ (NET-JITCNET1)'),
    (50, 50, 'Joint Tactical Command, Control, and Communications Agency, AZ (NET-JITCNET2)'),
    (51, 51, 'Great Britain(Department of Social Security of UK)'),
    (52, 53, 'Germany'),
    (54, 54, 'Merck and Co., Inc., NJ (NET-MERCK2)'),
    (55, 55, 'Army National Guard Bureau, VA (NET-RCAS2)'),
    (56, 56, 'United States'),
    (57, 57, 'France'),
    (58, 60, 'United States'),
    (63, 172, 'United States'),
    (173, 191, 'X'),
    (196, 196, 'South Africa/Caribbean'),
    (197, 197, 'IANA (NETBLK-RESERVED-13)'),
    (198, 198, 'United States'),
    (199, 199, 'United States/Canada'),
    (201, 201, 'Reserved for South/Central American Networks'),
    (204, 209, 'United States/Canada'),
    (214, 215, 'DoD Network Information Center, VA (NETBLK-DDN-NIC15)'),
    (216, 216, 'United States/Canada'),
    (218, 218, 'Asia Pacific'),
    (219, 219, 'United States'),
    (220, 222, 'X'),
    (223, 223, 'IANA (RESERVED-5) RESERVED'),
    (224, 239, 'University of Southern California (NET-MCAST-NET)'),
    (240, 255, 'X'),
]

# First octets whose rule is a numeric span on the first label (lo < n <= hi in the rule table):
# a first label such as 0100 or +100 still matches these, unlike the exact rules.
NUMERIC_SPANS = [(63, 127), (128, 172), (204, 209), (224, 239)]

# Fixed second-octet rows of the split octets: (lo, hi, answer); "X" where no rule matches.
FIXED = {
    61: [
        (0, 7, 'X'),
        (8, 8, 'Australia'),
        (9, 127, 'X'),
        (128, 128, 'China'),
        (129, 255, 'X'),
    ],
    62: [
        (0, 0, 'Israel'),
        (1, 1, 'X'),
        (2, 2, 'Switzerland'),
        (4, 4, 'France'),
        (10, 11, 'Italy'),
        (12, 12, 'Netherlands'),
        (252, 254, 'Great Britain'),
        (255, 255, 'X'),
    ],
    192: [
        (0, 35, 'United States'),
        (162, 162, 'European'),
        (163, 163, 'Finland'),
        (167, 167, 'Italty'),
        (168, 175, 'United States'),
        (245, 255, 'United States'),
    ],
    193: [
        (0, 0, 'X'),
        (15, 31, 'Germany'),
        (32, 39, 'Great Britain'),
        (96, 103, 'Germany'),
        (255, 255, 'Turkey'),
    ],
    194: [
        (0, 0, 'X'),
        (2, 5, 'France'),
        (32, 36, 'Great Britain'),
        (172, 176, 'Germany'),
        (255, 255, 'Denmark'),
    ],
    195: [
        (0, 0, 'Belgium/Norway'),
        (74, 80, 'European'),
        (104, 107, 'Great Britain'),
        (255, 255, 'Finland'),
    ],
    200: [
        (0, 16, 'South/Central American'),
        (17, 20, 'Brazilian'),
        (21, 24, 'South/Central American'),
        (25, 25, 'Columbia'),
        (26, 26, 'Argentina'),
        (27, 27, 'South/Central American'),
        (28, 28, 'Chilean'),
        (29, 32, 'South/Central American'),
        (33, 38, 'Mexico'),
        (39, 41, 'South/Central American'),
        (42, 43, 'Argentina'),
        (44, 44, 'United States'),
        (45, 45, 'South/Central American'),
        (46, 46, 'Panama'),
        (47, 47, 'Argentina'),
        (48, 51, 'South/Central American'),
        (52, 52, 'Mexico'),
        (53, 127, 'X'),
        (128, 255, 'Brazil'),
    ],
    202: [
        (0, 8, 'Asia-Pacific'),
        (9, 9, 'Australia/Malaysia'),
        (65, 89, 'Hong Kong'),
        (90, 122, 'China'),
        (208, 255, 'Japan'),
    ],
    203: [
        (0, 63, 'Australia'),
        (64, 79, 'Taiwan'),
        (80, 86, 'Hong Kong'),
        (96, 99, 'New Zealand'),
        (116, 120, 'Singapore'),
    ],
    210: [
        (0, 24, 'Asia-Pacific'),
        (25, 53, 'China'),
        (90, 127, 'Korea (South)'),
        (128, 175, 'Japan'),
    ],
    211: [
        (0, 19, 'Japan'),
        (20, 23, 'Taiwan'),
        (24, 31, 'X'),
        (32, 39, 'Korea (South)'),
        (40, 63, 'X'),
        (64, 69, 'China'),
        (70, 79, 'Taiwan'),
        (80, 255, 'China'),
    ],
    212: [
        (0, 5, 'European'),
        (6, 6, 'Russian Federation/Germany'),
        (7, 9, 'European'),
        (10, 10, 'Denmark'),
        (255, 255, 'Germany'),
    ],
    213: [
        (0, 0, 'Spain'),
        (1, 2, 'Great Britain'),
        (128, 142, 'European'),
        (144, 191, 'European'),
        (254, 255, 'Italy'),
    ],
    217: [
        (0, 4, 'X'),
        (5, 6, 'Germany'),
        (7, 7, 'X'),
        (8, 31, 'European'),
        (32, 33, 'Great Britain'),
        (34, 47, 'X'),
        (48, 52, 'Germany'),
        (53, 55, 'X'),
        (56, 59, 'Italy'),
        (60, 60, 'Denmark'),
        (61, 63, 'X'),
        (64, 79, 'European'),
        (80, 88, 'X'),
        (89, 89, 'Germany'),
        (90, 95, 'X'),
        (96, 97, 'Poland'),
        (98, 105, 'X'),
        (106, 106, 'Russian Federation'),
        (107, 111, 'X'),
        (112, 119, 'European'),
        (120, 129, 'X'),
        (130, 130, 'Spain'),
        (131, 136, 'X'),
        (137, 137, 'Great Britain'),
        (138, 138, 'Malta'),
        (139, 139, 'X'),
        (140, 140, 'European'),
        (141, 141, 'X'),
        (142, 142, 'Sweden'),
        (143, 255, 'X'),
    ],
}
# Rows per split octet, and of the whole table.
ROW_COUNTS = {61: 5, 62: 132, 192: 54, 193: 132, 194: 203, 195: 217, 200: 19, 202: 29,
              203: 10, 210: 32, 211: 8, 212: 122, 213: 166, 217: 30}
TOTAL_ROWS = 1401
NO_X_OCTETS = {192}  # octets without any "X" row

# Every answer used inside the split octets, in order of first appearance.
VOCAB = [
    'Australia',
    'China',
    'Israel',
    'Switzerland',
    'France',
    'Great Britain',
    'Italy',
    'Netherlands',
    'Ukraine',
    'Sweden',
    'Spain',
    'Germany',
    'Czech Republic',
    'Russian Federation',
    'Latvia',
    'Austria',
    'Norway',
    'Belgium',
    'Spain/Great Britain',
    'Czech Republic/Slovakia',
    'Slovakia',
    'European',
    'Belgium/Germany/Netherlands',
    'Switzerland/Czech Republic/Portugal/Netherlands/Spain',
    'Finland',
    'Turkey',
    'United States',
    'Danish',
    'Japan',
    'Danmark',
    'Israeli',
    'Italty',
    'Canada',
    'Ireland',
    'Slovenia',
    'Denmark',
    'Iceland',
    'Hungary',
    'Estonia',
    'Poland',
    'Bulgaria',
    'Belgium/Norway',
    'Slovak Republic',
    'Hungary/Belgium/Norway',
    'Greece',
    'Tunisia/Slovenia/Ireland',
    'Portugal',
    'PSpain',
    'Netherlands/Poland/Great Britain',
    'Luxembourg/Germany',
    'Croatia',
    'Finland/Sweden',
    'Lithuania/Portugal/Sweden',
    'Romania',
    'Turkey/Great Britain',
    'Norway/France',
    'Great Britain/France/Switzerland',
    'Ireland/Hungary/Denmark',
    'Hungary/Germany/Czech Republic',
    'Spain/Cyprus/Greece',
    'Sweden/Switzerland/Hungary/Portugal',
    'Sweden/Norway',
    'European/Asia',
    'Russian Federation/Kazachstan/Belarus/Georgia',
    'Great Britain/Ukraine',
    'Great Britain/Ireland/Belgium/Iceland',
    'Germany/Austria',
    'Germany/Sweden',
    'United Arab Emirates',
    'Spain/Italy',
    'Germany/Norway',
    'France/Switzerland',
    'Russian Federation/Ukraine',
    'Iran',
    'Italy/Great Britain/France',
    'Belgium/Great Britain/Latvia',
    'Italy/Russian Federation/Netherlands/Norway',
    'Italy/Germany',
    'Great Britain/Switzerland',
    'Slovak Republic/Russian Federation',
    'Germany/Great Britain',
    'Saudi Arabia/Russian Federation',
    'Great Britain/Italy',
    'Great Britain/Sweden',
    'Greece/Great Britain',
    'Germany/Romania',
    'Great Britain/France/Germany',
    'Great Britain/Germany',
    'South/Central American',
    'Brazilian',
    'Columbia',
    'Argentina',
    'Chilean',
    'Mexico',
    'Panama',
    'Brazil',
    'Asia-Pacific',
    'Australia/Malaysia',
    'New Zealand',
    'New Zealand/Thailand/Japan/China',
    'Thailand',
    'Korea (South)',
    'Taiwan',
    'Hong Kong',
    'Indonesia',
    'Malaysia',
    'Singapore',
    'Pakistan',
    'Hong kong',
    'India',
    'Russian Federation/Germany',
    'Saudi Arabia',
    'Switzerland/Austria',
    'Turkey/Kazachstan',
    'Great Britain/Russian Federation',
    'Germany/Saudi Arabia',
    'Germany/Italy',
    'Austria/Norway',
    'Germany/Netherlands',
    'Morocco',
    'Switzerland/Liechtenstein',
    'Great Britain/Ireland',
    'Italy/Finland',
    'Netherlands/Spain',
    'Netherlands/Switzerland',
    'Switzerland/Sweden',
    'Turkey/Ireland',
    'Italy/Sweden',
    'Bulgaria/Czech Republic',
    'Sweden/Italy',
    'Bulgaria/Lithuania',
    'France/Portugal',
    'Saudi Arabia/Italy',
    'Turkey/Switzerland',
    'Spain/Norway',
    'Yugoslavia/Germany',
    'France/Netherlands',
    'Egypt',
    'Russian Federation/Turkey',
    'Slovenia/Spain',
    'Malta',
]

# Spellings kept for their one listed use; elsewhere the plain name is preferred.
VARIANTS = {'Danish', 'Danmark', 'Israeli', 'Italty', 'PSpain', 'Hong kong', 'Brazilian',
            'Chilean', 'Slovak Republic'}

# ---------------------------------------------------------------------------------------------
# What each answer means in country codes.

NAME_CC = {
    'Argentina': 'AR', 'Australia': 'AU', 'Austria': 'AT', 'Belarus': 'BY', 'Belgium': 'BE',
    'Brazil': 'BR', 'Brazilian': 'BR', 'Bulgaria': 'BG', 'Canada': 'CA', 'Chilean': 'CL',
    'China': 'CN', 'Columbia': 'CO', 'Croatia': 'HR', 'Cyprus': 'CY', 'Czech Republic': 'CZ',
    'Danish': 'DK', 'Danmark': 'DK', 'Denmark': 'DK', 'Egypt': 'EG', 'Estonia': 'EE',
    'Finland': 'FI', 'France': 'FR', 'Georgia': 'GE', 'Germany': 'DE', 'Great Britain': 'GB',
    'Greece': 'GR', 'Hong Kong': 'HK', 'Hong kong': 'HK', 'Hungary': 'HU', 'Iceland': 'IS',
    'India': 'IN', 'Indonesia': 'ID', 'Iran': 'IR', 'Ireland': 'IE', 'Israel': 'IL',
    'Israeli': 'IL', 'Italty': 'IT', 'Italy': 'IT', 'Japan': 'JP', 'Kazachstan': 'KZ',
    'Korea (South)': 'KR', 'Latvia': 'LV', 'Liechtenstein': 'LI', 'Lithuania': 'LT',
    'Luxembourg': 'LU', 'Malaysia': 'MY', 'Malta': 'MT', 'Mexico': 'MX', 'Morocco': 'MA',
    'Netherlands': 'NL', 'New Zealand': 'NZ', 'Norway': 'NO', 'PSpain': 'ES', 'Pakistan': 'PK',
    'Panama': 'PA', 'Poland': 'PL', 'Portugal': 'PT', 'Romania': 'RO',
    'Russian Federation': 'RU', 'Saudi Arabia': 'SA', 'Singapore': 'SG', 'Slovak Republic': 'SK',
    'Slovakia': 'SK', 'Slovenia': 'SI', 'Spain': 'ES', 'Sweden': 'SE', 'Switzerland': 'CH',
    'Taiwan': 'TW', 'Thailand': 'TH', 'Tunisia': 'TN', 'Turkey': 'TR', 'Ukraine': 'UA',
    'United Arab Emirates': 'AE', 'United States': 'US',
    'Yugoslavia': ('RS', 'ME', 'XK'),
}

EUROPE = set('''AD AL AM AT AX AZ BA BE BG BY CH CY CZ DE DK EE ES EU FI FO FR GB GE GG GI GL GR
    HR HU IE IM IS IT JE LI LT LU LV MC MD ME MK MT NL NO PL PT RO RS RU SE SI SJ SK SM TR UA VA
    XK'''.split())
APNIC = set('''AP AS AU BD BN BT CC CK CN CX FJ FM GU HK ID IN IO JP KH KI KP KR LA LK MH MM MN MO
    MP MV MY NC NF NP NR NU NZ PF PG PH PK PN PW SB SG TH TK TL TO TV TW VN VU WF WS'''.split())
MIDDLE_EAST = set('AE AF BH IL IQ IR JO KG KW KZ LB OM PS QA SA SY TJ TM UZ YE'.split())
ASIA = (APNIC - {'AU', 'NZ'}) | MIDDLE_EAST
LATAM = set('''AG AI AR AW BB BL BO BQ BR BS BZ CL CO CR CU CW DM DO EC FK GD GF GP GT GY HN HT
    JM KN KY LC MF MQ MS MX NI PA PE PR PY SR SV SX TC TT UY VC VE VG VI'''.split())

# The registries' service regions: a European block of the time could be held in the Middle
# East, Central Asia or North Africa.
RIPE = EUROPE | MIDDLE_EAST | set('DZ EG LY MA TN'.split())
REGIONS = {  # answer: (member codes, the database's own code for the region or None)
    'European': (RIPE, 'EU'),
    'Asia-Pacific': (APNIC, 'AP'),
    'South/Central American': (LATAM, None),
}

REGION_WEIGHT = 0.55    # a region answer is worth less than a country that holds the block
ABSENT_SHARE = 0.10     # a named country below this share of the /16 counts as missing...
ABSENT_COST = 3.0       # ... and costs this much per missing share
EXTRA_NAME_COST = 0.03  # each further name of a combined answer
ORDER_BONUS = 0.01      # names listed in falling order of share
MISS_COST = 0.5         # per share of the /16 held by countries the answer does not name
VARIANT_COST = 0.15     # a kept spelling where the plain one would do
MISFIT_COST = 20.0      # per share below INTRO_COVER where an answer makes its first appearance
INTRO_COVER = 0.5


def groups_of(answer):
    """The country codes of each name of a combined answer, as tuples."""
    out = []
    for name in answer.split('/'):
        cc = NAME_CC[name]
        out.append(cc if isinstance(cc, tuple) else (cc,))
    return out


def fit(answer, share, unknown):
    """How well `answer` describes a /16 whose addresses are `share` (code -> fraction) with
    `unknown` of it unassigned: what the answer names, less a cost for what it leaves out.
    Returns (score, share of the /16 that the answer covers)."""
    held = 1.0 - unknown
    if answer == 'X':
        return unknown - MISS_COST * held, unknown
    if answer in REGIONS:
        members, own = REGIONS[answer]
        own_share = share.get(own, 0.0) if own else 0.0
        region = sum(v for c, v in share.items() if c in members)
        score = own_share + REGION_WEIGHT * (region - own_share) - MISS_COST * (held - region)
        return score, region
    if answer == 'European/Asia':
        eu = sum(v for c, v in share.items() if c in EUROPE)
        asia = sum(v for c, v in share.items() if c in ASIA and c not in EUROPE)
        missing = max(0.0, ABSENT_SHARE - eu) + max(0.0, ABSENT_SHARE - asia)
        score = (REGION_WEIGHT * (eu + asia) - ABSENT_COST * missing
                 - MISS_COST * (held - eu - asia))
        return score, eu + asia
    parts = [sum(share.get(c, 0.0) for c in g) for g in groups_of(answer)]
    score = sum(parts) - MISS_COST * (held - sum(parts))
    if len(parts) > 1:
        score -= ABSENT_COST * sum(max(0.0, ABSENT_SHARE - p) for p in parts)
        score -= EXTRA_NAME_COST * (len(parts) - 1)
        if all(parts[i] >= parts[i + 1] for i in range(len(parts) - 1)):
            score += ORDER_BONUS
    return score, sum(parts)


# ---------------------------------------------------------------------------------------------
# Reading the database.

def read_geoip(path, octets):
    """Per /16 of `octets`: {code: addresses}; and the export's header lines."""
    per16 = collections.defaultdict(collections.Counter)
    header = []
    with open(path, encoding='utf-8') as f:
        for line in f:
            if line.startswith('#'):
                header.append(line[1:].strip())
                continue
            line = line.strip()
            if not line:
                continue
            lo, hi, cc = line.split(',')
            lo, hi = int(lo), int(hi)
            while lo <= hi:
                block = lo >> 16
                end = min(hi, block << 16 | 0xFFFF)
                if block >> 8 in octets:
                    per16[block][cc] += end - lo + 1
                lo = end + 1
    return per16, header


def header_value(header, key):
    for line in header:
        if line.startswith(key + ':'):
            return line.split(':', 1)[1].strip()
    return 'unknown'


# ---------------------------------------------------------------------------------------------
# Authoring the split octets.

class Plan:
    def __init__(self, per16):
        self.octets = sorted(FIXED)
        self.n = 256 * len(self.octets)
        self.answers = VOCAB + ['X']
        self.pinned = [None] * self.n
        self.forbid = [set() for _ in range(self.n)]
        for o, f in enumerate(self.octets):
            for lo, hi, a in FIXED[f]:
                for s in range(lo, hi + 1):
                    assert self.pinned[o * 256 + s] is None, (f, s)
                    self.pinned[o * 256 + s] = a
                if lo > 0:
                    self.forbid[o * 256 + lo - 1].add(a)
                if hi < 255:
                    self.forbid[o * 256 + hi + 1].add(a)
            if f in NO_X_OCTETS:
                for s in range(256):
                    self.forbid[o * 256 + s].add('X')
        for i in range(self.n):
            assert self.pinned[i] is None or self.pinned[i] not in self.forbid[i], i
        self.first_fixed = {}
        for i, a in enumerate(self.pinned):
            if a is not None:
                self.first_fixed.setdefault(a, i)
        self.fits = []
        self.covers = []
        for o, f in enumerate(self.octets):
            for s in range(256):
                counts = per16.get(f << 8 | s, {})
                share = {c: v / 65536.0 for c, v in counts.items() if c != '??'}
                unknown = 1.0 - sum(share.values())
                both = {a: fit(a, share, unknown) for a in self.answers}
                self.fits.append({a: v[0] for a, v in both.items()})
                self.covers.append({a: v[1] for a, v in both.items()})

    def octet_of(self, i):
        return self.octets[i // 256]

    def introduce(self, closed_octets):
        """First position of each VOCAB answer, in rising order.

        Chosen with the rest of the labelling in view (row counts aside): a position can only
        take answers introduced at or before it, so an answer introduced late costs the
        positions before it that would have liked it.
        """
        neg = float('-inf')
        kk = len(VOCAB)
        rank = {a: k + 1 for k, a in enumerate(VOCAB)}  # A_k needs k introductions
        rank['X'] = 0
        old = [0.0] + [neg] * kk
        took = []  # took[i][k]: position i introduced A_k on the best path to (i, k)
        for i in range(self.n):
            fits = self.fits[i]
            pin = self.pinned[i]
            stay = [neg] * (kk + 1)
            if pin is not None:
                for k in range(rank[pin], kk + 1):
                    stay[k] = 0.0
            else:
                best = fits['X'] if 'X' not in self.forbid[i] else neg
                stay[0] = best
                for k, a in enumerate(VOCAB, 1):
                    if a not in self.forbid[i]:
                        v = fits[a] - VARIANT_COST if a in VARIANTS else fits[a]
                        if v > best:
                            best = v
                    stay[k] = best
            new = [neg] * (kk + 1)
            mark = bytearray(kk + 1)
            open_here = self.octet_of(i) not in closed_octets
            for k in range(kk + 1):
                v = old[k] + stay[k] if old[k] > neg and stay[k] > neg else neg
                if k > 0 and old[k - 1] > neg:
                    a = VOCAB[k - 1]
                    if pin == a or (pin is None and open_here and a not in self.forbid[i]):
                        w = old[k - 1]
                        if pin != a:
                            cover = self.covers[i][a]
                            w += fits[a] - MISFIT_COST * max(0.0, INTRO_COVER - cover)
                        if w > v:
                            v = w
                            mark[k] = 1
                new[k] = v
            took.append(mark)
            old = new
        if old[kk] == neg:
            raise SystemExit('no order of first appearances fits the fixed rows')
        intro = {}
        k = kk
        for i in range(self.n - 1, -1, -1):
            if took[i][k]:
                intro[VOCAB[k - 1]] = i
                k -= 1
        assert k == 0 and len(intro) == kk
        return intro

    def label_octet(self, o, intro):
        """Best labelling of octet index `o` with exactly ROW_COUNTS rows, or None."""
        f = self.octets[o]
        rows = ROW_COUNTS[f]
        intro_at = {p: a for a, p in intro.items()}
        neg = float('-inf')

        def score(a, i):
            v = self.fits[i][a]
            return v - VARIANT_COST if a in VARIANTS else v

        def tie(a):  # on equal scores: no rule before a guess, then vocabulary order
            return -1 if a == 'X' else self.answers.index(a)

        def allowed(i):
            return [a for a in self.answers
                    if (a == 'X' or intro[a] < i) and a not in self.forbid[i]]

        def ranked(i):
            return sorted(allowed(i), key=lambda a: (-score(a, i), tie(a)))

        cands = []
        for s in range(256):
            i = o * 256 + s
            if self.pinned[i] is not None:
                cands.append([self.pinned[i]])
                continue
            if i in intro_at:
                cands.append([intro_at[i]])
                continue
            mine = ranked(i)
            pick = mine[:6]
            extra = [a for a in mine if a in REGIONS or a == 'X']
            near = []
            for j in (i - 1, i + 1):
                if o * 256 <= j < o * 256 + 256:
                    near += ranked(j)[:3]
            for a in extra + near:
                if a in mine and a not in pick:
                    pick.append(a)
            cands.append(pick)

        def sc(a, s):
            i = o * 256 + s
            if self.pinned[i] is not None or i in intro_at:
                return 0.0
            return score(a, i)

        layers = []
        prev = {1: {a: (sc(a, 0), None) for a in cands[0]}}
        layers.append(prev)
        for s in range(1, 256):
            lo_r = max(1, rows - (255 - s))
            hi_r = min(rows, s + 1)
            tops = {}
            for r, d in prev.items():
                order = sorted(d.items(), key=lambda kv: (-kv[1][0], tie(kv[0])))
                tops[r] = order[:2]
            cur = {}
            for r in range(lo_r, hi_r + 1):
                same = prev.get(r, {})
                other = tops.get(r - 1, [])
                d = {}
                for a in cands[s]:
                    best, via = neg, None
                    if a in same:
                        best, via = same[a][0], a
                    for b, (v, _) in other:
                        if b != a:
                            if v > best:
                                best, via = v, b
                            break
                    if via is not None:
                        d[a] = (best + sc(a, s), via)
                if d:
                    cur[r] = d
            prev = cur
            layers.append(prev)
        final = prev.get(rows)
        if not final:
            return None
        a = min(final, key=lambda x: (-final[x][0], tie(x)))
        r = rows
        out = [None] * 256
        for s in range(255, -1, -1):
            out[s] = a
            via = layers[s][r][a][1]
            if s > 0 and via != a:
                r -= 1
            a = via
        return out

    def author(self):
        closed = set()
        while True:
            intro = self.introduce(closed)
            grid = {}
            failed = []
            for o, f in enumerate(self.octets):
                labels = self.label_octet(o, intro)
                if labels is None:
                    failed.append(f)
                else:
                    grid[f] = labels
            if not failed:
                return grid
            # An octet too tight for the answers introduced in it takes no further ones.
            if all(f in closed for f in failed):
                raise SystemExit('cannot meet the row counts of %s' % failed)
            closed.update(failed)


def runs(labels):
    out = []
    for s, a in enumerate(labels):
        if out and out[-1][2] == a:
            out[-1][1] = s
        else:
            out.append([s, s, a])
    return [tuple(r) for r in out]


# ---------------------------------------------------------------------------------------------
# The whole table, its checks and its output.

def whole_answers():
    out = {}
    for lo, hi, a in WHOLE:
        for f in range(lo, hi + 1):
            assert f not in out and f not in FIXED, f
            out[f] = a
    assert len(out) + len(FIXED) == 256
    return out


def build_rows(grid):
    """[(first, lo, hi, match, answer)] over 0..255 x 0..255; match is exact/numeric/none."""
    whole = whole_answers()
    spans = set()
    for lo, hi in NUMERIC_SPANS:
        spans.update(range(lo, hi + 1))
    rows = []
    for f in range(256):
        if f in FIXED:
            for lo, hi, a in runs(grid[f]):
                match = 'none' if a == 'X' else ('exact' if lo == hi else 'numeric')
                rows.append((f, lo, hi, match, a))
        else:
            a = whole[f]
            match = 'none' if a == 'X' else ('numeric' if f in spans else 'exact')
            rows.append((f, 0, 255, match, a))
    return rows


def check(rows):
    problems = []
    seen = collections.defaultdict(list)
    for r in rows:
        seen[r[0]].append(r)
    for f in range(256):
        nxt = 0
        for _, lo, hi, _, a in seen[f]:
            if lo != nxt or hi < lo:
                problems.append('octet %d: gap or overlap at %d' % (f, lo))
            nxt = hi + 1
        if nxt != 256:
            problems.append('octet %d ends at %d' % (f, nxt - 1))
        for x, y in zip(seen[f], seen[f][1:]):
            if x[4] == y[4]:
                problems.append('octet %d: rows %d and %d share an answer' % (f, x[1], y[1]))
    for f, n in ROW_COUNTS.items():
        if len(seen[f]) != n:
            problems.append('octet %d has %d rows, not %d' % (f, len(seen[f]), n))
        have = {(lo, hi, a) for _, lo, hi, _, a in seen[f]}
        for row in FIXED[f]:
            if row not in have:
                problems.append('octet %d lacks fixed row %s' % (f, row))
        if f in NO_X_OCTETS and any(r[4] == 'X' for r in seen[f]):
            problems.append('octet %d has an X row' % f)
    if len(rows) != TOTAL_ROWS:
        problems.append('%d rows, not %d' % (len(rows), TOTAL_ROWS))
    order = []
    for f, lo, hi, _, a in rows:
        if f in FIXED and a != 'X':
            if a not in VOCAB:
                problems.append('answer %r outside the vocabulary' % a)
            elif a not in order:
                order.append(a)
    if order != VOCAB:
        problems.append('first appearances differ from the vocabulary order')
    return problems


def c_string(text):
    return '"' + text.replace('\\', '\\\\').replace('"', '\\"') + '"'


def write_inc(path, rows, header, geoip_path):
    answers = ['X']
    for r in rows:
        if r[4] not in answers:
            answers.append(r[4])
    index = {a: i for i, a in enumerate(answers)}
    kinds = {'none': 'kNoRule', 'exact': 'kExact', 'numeric': 'kNumeric'}
    out = []
    out.append('// Generated by tools/country_table/gen_country_blocks.py; do not edit, regenerate.')
    out.append('//')
    out.append('// The second-octet rows of the split first octets are adapted from the IPFire')
    out.append('// Location database (https://location.ipfire.org/), licensed under CC BY-SA 4.0')
    out.append('// (https://creativecommons.org/licenses/by-sa/4.0/), as shipped in Debian\'s')
    generated = header_value(header, 'Generated')
    out.append('// tor-geoipdb (%s, export of %s).' % (geoip_path, generated))
    out.append('// This adapted table is shared under the same licence.')
    out.append('')
    out.append('// clang-format off')
    out.append('inline constexpr std::string_view kAnswers[] = {')
    for a in answers:
        out.append('    %s,' % c_string(a))
    out.append('};')
    out.append('')
    out.append('// {first octet, second octet from, to, how its rule tests the label, answer}')
    out.append('inline constexpr RawRow kRawRows[] = {')
    for f, lo, hi, match, a in rows:
        out.append('    {%d, %d, %d, %s, %d},' % (f, lo, hi, kinds[match], index[a]))
    out.append('};')
    out.append('// clang-format on')
    with open(path, 'w', encoding='utf-8', newline='\n') as fh:
        fh.write('\n'.join(out) + '\n')


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default_out = os.path.normpath(os.path.join(here, '..', '..', 'src', 'lookup',
                                                'country_blocks.inc'))
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--geoip', default='/usr/share/tor/geoip')
    ap.add_argument('--output', default=default_out)
    ap.add_argument('--report', action='store_true', help='print the authored rows')
    args = ap.parse_args()

    assert len(VOCAB) == len(set(VOCAB))
    for a in VOCAB:
        if a not in REGIONS and a != 'European/Asia':
            groups_of(a)  # every name is known
    per16, header = read_geoip(args.geoip, set(FIXED))
    grid = Plan(per16).author()
    rows = build_rows(grid)
    problems = check(rows)
    if problems:
        for p in problems:
            print(p, file=sys.stderr)
        return 1
    write_inc(args.output, rows, header, args.geoip)
    if args.report:
        for f, lo, hi, match, a in rows:
            if f in FIXED:
                print('%3d %3d-%3d %-7s %s' % (f, lo, hi, match, a))
    print('wrote %s: %d rows' % (args.output, len(rows)))
    return 0


if __name__ == '__main__':
    sys.exit(main())
