// Prints every match of each pattern over each page, as JavaScript's RegExp
// with the flags "gim" finds them, for the regular-expression differential
// test.
//
//   node regexp_matches.js PATTERNS PAGE...
//
// PATTERNS holds one pattern a line, as hexadecimal UTF-8. Each PAGE is a
// UTF-8 file. For every page, and within it for every pattern, one line is
// printed: the number of matches, "|", then the matches separated by ";",
// each match being its whole text and its groups, as hexadecimal UTF-8,
// separated by ",". A group that took no part is an empty text.
//
// In the dialect under test "." matches everything except a line feed (a
// carriage return included), so every "." outside a class is given to
// RegExp as "[^\n]".
'use strict';
const fs = require('fs');

function dotExceptLineFeed(pattern) {
  let out = '';
  let inClass = false;
  for (let i = 0; i < pattern.length; i++) {
    const c = pattern[i];
    if (c === '\\' && i + 1 < pattern.length) {
      out += c + pattern[i + 1];
      i++;
    } else if (inClass) {
      if (c === ']') inClass = false;
      out += c;
    } else if (c === '[') {
      inClass = true;
      out += c;
      if (pattern[i + 1] === ']') {  // "[]" is a whole (empty) class
        out += ']';
        i++;
        inClass = false;
      }
    } else if (c === '.') {
      out += '[^\\n]';
    } else {
      out += c;
    }
  }
  return out;
}

const hex = (text) => Buffer.from(text === undefined ? '' : text, 'utf8').toString('hex');

const [patternFile, ...pages] = process.argv.slice(2);
const patterns = fs.readFileSync(patternFile, 'latin1').split('\n').filter((l) => l.length > 0)
    .map((h) => Buffer.from(h, 'hex').toString('utf8'));
const lines = [];
for (const page of pages) {
  const text = fs.readFileSync(page, 'utf8');
  for (const pattern of patterns) {
    const regexp = new RegExp(dotExceptLineFeed(pattern), 'gim');
    const matches = [];
    for (const m of text.matchAll(regexp)) matches.push(m.map(hex).join(','));
    lines.push(matches.length + '|' + matches.join(';'));
  }
}
process.stdout.write(lines.join('\n') + '\n');
