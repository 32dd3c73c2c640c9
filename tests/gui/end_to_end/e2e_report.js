/*
 * Added to the demo page by the end-to-end tests: reports the page's test
 * state (window.__board) through the client's serverJS "writeini" into
 * config.ini, [e2e] state, four times a second. `page` tells one load of
 * the page from the next.
 */
(function () {
  'use strict';
  var page = String(Date.now()) + '-' + String(Math.random()).slice(2, 10);

  function report() {
    var board = window.__board;
    if (!board || typeof window.serverJS !== 'function') return;
    var state = {
      page: page,
      calls: board.calls,
      kinds: board.kinds,
      lastSeq: board.lastSeq,
      connected: board.connected,
      updates: board.updates,
      handlerErrors: board.handlerErrors,
      footer: board.footer,
      bridge: board.bridge,
      rows: board.rows.map(function (row) {
        return { id: row.id, name: row.name, score: row.score, rank: row.rank };
      }),
    };
    window.serverJS(
      JSON.stringify({
        c: 'sys',
        a: 'writeini',
        data: { node: 'e2e', key: 'state', value: JSON.stringify(state) },
      })
    );
  }

  report();
  setInterval(report, 250);
})();
