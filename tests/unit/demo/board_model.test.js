// The leaderboard page's model (demo/page/board_model.js) under node's own
// test runner: envelope kinds, ranking, sequence numbers, moves.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');

const Model = require(path.join(__dirname, '..', '..', '..', 'demo', 'page', 'board_model.js'));

function boardWith(rows, seq) {
  const board = Model.createBoard();
  assert.ok(Model.applySnapshot(board, { seq: seq, rows: rows }).applied);
  return board;
}

function order(board) {
  return Model.ranked(board).map((row) => row.id);
}

test('envelopes are told apart by exact class and action', () => {
  const cases = [
    [{ c: 'sys', a: 'conn' }, 'conn'],
    [{ c: 'sys', a: 'update' }, 'update'],
    [{ c: 'sys', a: 'error', data: {} }, 'error'],
    [{ c: 'board', a: 'snapshot' }, 'snapshot'],
    [{ c: 'board', a: 'score' }, 'score'],
    [{ c: 'board', a: 'notice' }, 'notice'],
    [{ c: 'SYS', a: 'update' }, 'other'],
    [{ c: 'sys', a: 'Update' }, 'other'],
    [{ c: 'sys', a: 'reboot' }, 'other'],
    [{ a: 'conn' }, 'other'],
    ['{"c":"sys","a":"conn","char":"utf-8"}', 'conn'],
    ['not json', 'invalid'],
    [null, 'invalid'],
    [[1, 2], 'invalid'],
    [42, 'invalid'],
  ];
  for (const [message, kind] of cases) {
    assert.equal(Model.classify(Model.parseEnvelope(message)), kind, JSON.stringify(message));
  }
});

test('ranking: higher score first, equal scores share a rank, ties broken by id', () => {
  const board = boardWith(
    [
      { id: 3, name: '李娜', score: 500 },
      { id: 1, name: '张伟', score: 900 },
      { id: 2, name: '王芳', score: 500 },
      { id: 4, name: '刘洋', score: 100 },
    ],
    1,
  );
  const rows = Model.ranked(board);
  assert.deepEqual(
    rows.map((row) => [row.id, row.rank]),
    [
      [1, 1],
      [2, 2],
      [3, 2],
      [4, 4],
    ],
  );
  assert.equal(rows[0].name, '张伟');
});

test('score changes move rows and report who moved by how many places', () => {
  const board = boardWith(
    [
      { id: 1, name: 'a', score: 300 },
      { id: 2, name: 'b', score: 200 },
      { id: 3, name: 'c', score: 100 },
    ],
    5,
  );
  const result = Model.applyScore(board, {
    seq: 6,
    changes: [{ id: 3, name: 'c', score: 350, delta: 250 }],
  });
  assert.ok(result.applied);
  assert.deepEqual(order(board), [3, 1, 2]);
  assert.deepEqual(Object.fromEntries(result.moves), { 3: 2, 1: -1, 2: -1 });
  assert.deepEqual(result.changed, ['3']);
  assert.equal(board.seq, 6);
});

test('sequence numbers: stale and repeated changes are ignored, a new connection starts over', () => {
  const board = boardWith([{ id: 1, name: 'a', score: 10 }], 10);
  for (const seq of [10, 9, 1]) {
    assert.equal(
      Model.applyScore(board, { seq: seq, changes: [{ id: 1, score: 99 }] }).applied,
      false,
      `seq ${seq}`,
    );
  }
  assert.equal(Model.ranked(board)[0].score, 10);

  // A slow HTTP snapshot older than the pushes already shown.
  assert.ok(Model.applyScore(board, { seq: 12, changes: [{ id: 1, score: 20 }] }).applied);
  assert.equal(
    Model.applySnapshot(board, { seq: 11, rows: [{ id: 1, score: 15 }] }).applied,
    false,
  );
  assert.equal(Model.ranked(board)[0].score, 20);

  // A restarted server counts from 1 again; "sys"/"conn" makes that welcome.
  Model.resetSequence(board);
  assert.ok(Model.applySnapshot(board, { seq: 1, rows: [{ id: 1, name: 'a', score: 5 }] }).applied);
  assert.ok(Model.applyScore(board, { seq: 2, changes: [{ id: 1, score: 6 }] }).applied);
  assert.equal(Model.ranked(board)[0].score, 6);

  // Without numbers everything applies, in arrival order.
  assert.ok(Model.applyScore(board, { changes: [{ id: 1, score: 7 }] }).applied);
  assert.ok(Model.applyScore(board, { changes: [{ id: 1, score: 8 }] }).applied);
  assert.equal(Model.ranked(board)[0].score, 8);
});

test('a snapshot replaces the board; entries it lacks are gone, new ones are marked new', () => {
  const board = boardWith(
    [
      { id: 1, name: 'a', score: 3 },
      { id: 2, name: 'b', score: 2 },
    ],
    1,
  );
  const result = Model.applySnapshot(board, {
    seq: 2,
    title: '本月销售排行榜',
    rows: [
      { id: 2, name: 'b', score: 2 },
      { id: 7, name: '欧阳晓晨', score: 9 },
    ],
  });
  assert.ok(result.applied);
  assert.deepEqual(order(board), [7, 2]);
  assert.equal(result.moves.get('7'), 'new');
  assert.equal(result.moves.has('2'), false); // second before and after
  assert.equal(board.title, '本月销售排行榜');
});

test('the first board moves nobody', () => {
  const board = Model.createBoard();
  const result = Model.applySnapshot(board, {
    seq: 1,
    rows: [
      { id: 1, name: 'a', score: 1 },
      { id: 2, name: 'b', score: 2 },
    ],
  });
  assert.ok(result.applied);
  assert.equal(result.moves.size, 0);
});

test('bad entries are skipped, numeric text scores are read, names fall back', () => {
  const board = Model.createBoard();
  const result = Model.applySnapshot(board, {
    rows: [
      { id: 1, name: '张伟', score: '1200' },
      { id: 2, name: '', score: 50 },
      { id: 3, name: 'x', score: 'lots' },
      { name: 'no id', score: 1 },
      { id: 4, name: 'inf', score: Infinity },
      null,
      'row',
    ],
  });
  assert.ok(result.applied);
  assert.deepEqual(
    Model.ranked(board).map((row) => [row.id, row.name, row.score]),
    [
      [1, '张伟', 1200],
      [2, '#2', 50],
    ],
  );
  // A change without a name keeps the name the board had; an unknown id joins.
  Model.applyScore(board, {
    changes: [
      { id: 1, score: 1300 },
      { id: 9, name: '新人', score: 10 },
    ],
  });
  assert.deepEqual(
    Model.ranked(board).map((row) => row.name),
    ['张伟', '#2', '新人'],
  );
  for (const data of [null, {}, { rows: 'x' }, { changes: {} }]) {
    assert.equal(Model.applySnapshot(board, data).applied, false);
    assert.equal(Model.applyScore(board, data).applied, false);
  }
});

test('scores are written with thousands separators in every locale', () => {
  const cases = [
    [0, '0'],
    [999, '999'],
    [1000, '1,000'],
    [1234567, '1,234,567'],
    [-4500, '-4,500'],
    [12.6, '13'],
  ];
  for (const [score, text] of cases) assert.equal(Model.formatScore(score), text);
});

test('error reports read as level, place and message', () => {
  assert.equal(
    Model.errorText({
      level: 3,
      line: 12,
      msg: 'x is not defined',
      sname: 'http://h:8099/client/app/orvane/board_page.js?v=2',
    }),
    '错误 · board_page.js:12 · x is not defined',
  );
  assert.equal(
    Model.errorText({ level: 5, line: 4, msg: 'hello', sname: '' }),
    '信息 · 第4行 · hello',
  );
  assert.equal(Model.errorText({ level: 9, msg: '' }), '消息 · (无内容)');
  assert.equal(Model.errorText(null), '页面脚本消息');
});

test('latency is measured only from envelopes that carry a send time', () => {
  const latency = Model.createLatency();
  assert.equal(Model.recordLatency(latency, { seq: 1 }, 1000), false);
  assert.ok(Model.recordLatency(latency, { sentAt: 900 }, 1000));
  assert.ok(Model.recordLatency(latency, { sentAt: 980 }, 1000));
  assert.deepEqual(latency, { count: 2, lastMs: 20, maxMs: 100, sumMs: 120 });
});
