/*
 * The leaderboard's state, apart from the page: which envelope is which, the
 * board's entries and sequence number, the ranking and who moved. No DOM, so
 * node can test it; the page loads it as a plain script (window.BoardModel).
 *
 * Written in the JavaScript older engines run (no optional chaining, no
 * class fields): the same page is shown by other clients' engines.
 */
(function (root, factory) {
  if (typeof module === 'object' && module.exports) {
    module.exports = factory();
  } else {
    root.BoardModel = factory();
  }
})(typeof self !== 'undefined' ? self : this, function () {
  'use strict';

  // How many places the page shows.
  var MAX_ROWS = 20;

  // clientJS2 gets the envelope as an object (the client writes the text into
  // the call); a page opened some other way may hand it over as text.
  function parseEnvelope(message) {
    var envelope = message;
    if (typeof message === 'string') {
      try {
        envelope = JSON.parse(message);
      } catch (e) {
        return null;
      }
    }
    if (envelope === null || typeof envelope !== 'object' || Array.isArray(envelope)) return null;
    return envelope;
  }

  // Class and action compare exactly, as the client compares them.
  function classify(envelope) {
    if (!envelope) return 'invalid';
    var c = envelope.c;
    var a = envelope.a;
    if (c === 'sys') {
      if (a === 'conn') return 'conn';
      if (a === 'update') return 'update';
      if (a === 'error') return 'error';
      return 'other';
    }
    if (c === 'board') {
      if (a === 'snapshot') return 'snapshot';
      if (a === 'score') return 'score';
      if (a === 'notice') return 'notice';
    }
    return 'other';
  }

  function createBoard() {
    // entries: id (as text) -> {id, name, score}; seq: the last sequence
    // number applied, null when any is welcome (a fresh page or connection).
    return { entries: new Map(), seq: null, title: null };
  }

  function isFiniteNumber(value) {
    return typeof value === 'number' && isFinite(value);
  }

  // An entry from the server's data, or null when it has no usable id or
  // score. Scores may come as numeric text.
  function readEntry(raw, previous) {
    if (!raw || typeof raw !== 'object') return null;
    var id = raw.id;
    if (!(typeof id === 'number' && isFinite(id)) && !(typeof id === 'string' && id !== '')) {
      return null;
    }
    var score =
      typeof raw.score === 'string' && raw.score.trim() !== '' ? Number(raw.score) : raw.score;
    if (!isFiniteNumber(score)) return null;
    var name = typeof raw.name === 'string' && raw.name !== '' ? raw.name : null;
    if (name === null) name = previous ? previous.name : '#' + id;
    return { id: id, name: name, score: score };
  }

  function compareIds(a, b) {
    if (typeof a === 'number' && typeof b === 'number') return a - b;
    var x = String(a);
    var y = String(b);
    return x < y ? -1 : x > y ? 1 : 0;
  }

  // Every entry, best first: higher score, then lower id. Equal scores share
  // a rank and the next rank skips (1, 2, 2, 4).
  function ranked(board) {
    var rows = [];
    board.entries.forEach(function (entry) {
      rows.push({ id: entry.id, name: entry.name, score: entry.score, rank: 0 });
    });
    rows.sort(function (a, b) {
      return b.score - a.score || compareIds(a.id, b.id);
    });
    for (var i = 0; i < rows.length; i++) {
      rows[i].rank = i > 0 && rows[i].score === rows[i - 1].score ? rows[i - 1].rank : i + 1;
    }
    return rows;
  }

  function rankMap(board) {
    var map = new Map();
    ranked(board).forEach(function (row) {
      map.set(String(row.id), row.rank);
    });
    return map;
  }

  // Who moved between two rankings: id -> places gained (negative when
  // lost), or 'new' for an entry that joined a board that had others. Entries
  // that kept their rank are left out.
  function rankMoves(before, after) {
    var moves = new Map();
    // A first board is no news: nobody moved.
    if (before.size === 0) return moves;
    after.forEach(function (rank, key) {
      if (!before.has(key)) {
        moves.set(key, 'new');
      } else if (before.get(key) !== rank) {
        moves.set(key, before.get(key) - rank);
      }
    });
    return moves;
  }

  function sequenceOf(data) {
    return data && isFiniteNumber(data.seq) ? data.seq : null;
  }

  // The whole board. A snapshot older than what the board already shows is
  // left alone (a slow HTTP answer overtaken by pushes); one without a
  // sequence number always applies.
  function applySnapshot(board, data) {
    if (!data || typeof data !== 'object' || !Array.isArray(data.rows)) {
      return { applied: false, moves: new Map() };
    }
    var seq = sequenceOf(data);
    if (seq !== null && board.seq !== null && seq < board.seq) {
      return { applied: false, moves: new Map() };
    }
    var before = rankMap(board);
    var entries = new Map();
    data.rows.forEach(function (raw) {
      var entry = readEntry(raw, board.entries.get(String(raw && raw.id)));
      if (entry) entries.set(String(entry.id), entry);
    });
    board.entries = entries;
    if (seq !== null) board.seq = seq;
    if (typeof data.title === 'string' && data.title !== '') board.title = data.title;
    return { applied: true, moves: rankMoves(before, rankMap(board)) };
  }

  // Score changes: absolute new scores, so a lost message leaves no lasting
  // error. A change at or below the board's sequence number is already in it.
  function applyScore(board, data) {
    var none = { applied: false, moves: new Map(), changed: [] };
    if (!data || typeof data !== 'object' || !Array.isArray(data.changes)) return none;
    var seq = sequenceOf(data);
    if (seq !== null && board.seq !== null && seq <= board.seq) return none;
    var before = rankMap(board);
    var changed = [];
    data.changes.forEach(function (raw) {
      var key = String(raw && raw.id);
      var previous = board.entries.get(key);
      var entry = readEntry(raw, previous);
      if (!entry) return;
      board.entries.set(String(entry.id), entry);
      if (!previous || previous.score !== entry.score) changed.push(String(entry.id));
    });
    if (seq !== null) board.seq = seq;
    return { applied: true, moves: rankMoves(before, rankMap(board)), changed: changed };
  }

  // A new connection may be to a restarted server whose numbers begin again.
  function resetSequence(board) {
    board.seq = null;
  }

  // 1234567 -> "1,234,567", the same in every locale.
  function formatScore(score) {
    var negative = score < 0;
    var digits = String(Math.round(Math.abs(score)));
    var out = '';
    while (digits.length > 3) {
      out = ',' + digits.slice(-3) + out;
      digits = digits.slice(0, -3);
    }
    return (negative ? '-' : '') + digits + out;
  }

  var LEVEL_NAMES = { 3: '错误', 4: '调试', 5: '信息' };

  // The text of a "sys"/"error" report for a small notice.
  function errorText(data) {
    if (!data || typeof data !== 'object') return '页面脚本消息';
    var level = LEVEL_NAMES[data.level] || '消息';
    var where = '';
    if (typeof data.sname === 'string' && data.sname !== '') {
      where = data.sname
        .replace(/[?#].*$/, '')
        .split('/')
        .pop();
    }
    if (isFiniteNumber(data.line) && data.line > 0) {
      where = where ? where + ':' + data.line : '第' + data.line + '行';
    }
    var message = typeof data.msg === 'string' && data.msg !== '' ? data.msg : '(无内容)';
    return level + (where ? ' · ' + where : '') + ' · ' + message;
  }

  // Milliseconds from the server's send stamp to now, for the envelopes that
  // carry one (the server's --stamp switch).
  function createLatency() {
    return { count: 0, lastMs: null, maxMs: null, sumMs: 0 };
  }

  function recordLatency(latency, data, nowMs) {
    if (!data || !isFiniteNumber(data.sentAt)) return false;
    var ms = nowMs - data.sentAt;
    latency.count += 1;
    latency.lastMs = ms;
    latency.maxMs = latency.maxMs === null ? ms : Math.max(latency.maxMs, ms);
    latency.sumMs += ms;
    return true;
  }

  return {
    MAX_ROWS: MAX_ROWS,
    parseEnvelope: parseEnvelope,
    classify: classify,
    createBoard: createBoard,
    ranked: ranked,
    rankMoves: rankMoves,
    rankMap: rankMap,
    applySnapshot: applySnapshot,
    applyScore: applyScore,
    resetSequence: resetSequence,
    formatScore: formatScore,
    errorText: errorText,
    createLatency: createLatency,
    recordLatency: recordLatency,
  };
});
