// The demo page's own globals, beside those of docs/orvane.d.ts.
interface Window {
  /** demo/page/board_model.js, loaded as a plain script. */
  BoardModel: typeof import('../../../demo/page/board_model.js');
  /** The page's state for end-to-end tests. */
  __board: unknown;
}
