// How each severity is shown: a name, a colour and a shape, so that it
// never rests on colour alone.
// prettier-ignore
export const SEVERITY_STYLES = {
  1: { name: 'note', color: '#1f77b4', shape: 'circle', symbol: '●' },
  2: { name: 'warning', color: '#e08a00', shape: 'triangle', symbol: '▲' },
  3: { name: 'serious', color: '#c62828', shape: 'square', symbol: '■' },
};
