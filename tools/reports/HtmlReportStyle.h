// The style sheet and script inlined into every HTML report.
#pragma once

namespace rc::tools {

inline constexpr const char* kReportStyle = R"(
body{font:14px/1.4 system-ui,sans-serif;margin:0;color:#1d1d1f;background:#f5f5f7}
header{background:#fff;padding:16px 24px;border-bottom:1px solid #ddd;position:sticky;top:0;z-index:2}
h1{font-size:20px;margin:0 0 8px}h2{font-size:16px;margin:0 0 4px}
main{padding:16px 24px}
.counts span{display:inline-block;padding:2px 10px;margin-right:6px;border-radius:10px;font-weight:600}
.OK,.ok{background:#e3f5e1;color:#1b5e20}.BASELINE-CREATED,.created{background:#e3edfb;color:#0d47a1}
.WARNING,.warned{background:#fff3cd;color:#7a5200}.FAILED,.failed{background:#fde2e1;color:#8e1b14}
.XFAIL{background:#eeeeee;color:#424242}.XPASS{background:#ede3f6;color:#4a148c}
nav{margin-top:8px;max-height:88px;overflow:auto;display:flex;flex-wrap:wrap;gap:4px}nav a{margin-right:8px;text-decoration:none;padding:0 4px;border-radius:4px}
section.document{background:#fff;border:1px solid #ddd;border-radius:8px;padding:12px 16px;margin-bottom:16px}
.badge{font-size:12px;padding:1px 8px;border-radius:8px;margin-left:8px;vertical-align:middle}
.path{color:#666;margin:0 0 8px;word-break:break-all}
table.checks{border-collapse:collapse;width:100%}
table.checks th,table.checks td{text-align:left;padding:4px 8px;border-bottom:1px solid #eee;vertical-align:top}
table.checks td.status{white-space:nowrap;font-weight:600}
.images{display:flex;flex-wrap:wrap;gap:12px;margin:12px 0}
.images figure{margin:0}.images img{border:1px solid #ccc;display:block}
.images .comparison{flex-basis:100%;margin:0;color:#555}
.thumb{position:relative;display:inline-block;cursor:zoom-in}
.box,#viewer .boxes span{position:absolute;box-sizing:border-box;border:2px solid #e6007a;pointer-events:none}
.slider .stack{position:relative;display:inline-block}.slider .top{position:absolute;left:0;top:0;bottom:0;overflow:hidden;border-right:2px solid #d00}
.slider .top img{max-width:none}.slider input{display:block;width:100%}
#viewer{position:fixed;inset:0;z-index:5;background:rgba(20,20,20,.92);display:flex;flex-direction:column}
#viewer[hidden]{display:none}
#viewer .bar{display:flex;gap:6px;align-items:center;padding:8px 12px;background:#fff}
#viewer .bar .title{font-weight:600;margin-right:12px}#viewer .bar button.on{background:#1d1d1f;color:#fff}
#viewer .bar .close{margin-left:auto}
#viewer .pane{flex:1;overflow:auto}#viewer .canvas{position:relative;display:inline-block;margin:8px}
#viewer img{display:block;image-rendering:pixelated;max-width:none}
#viewer .top{position:absolute;left:0;top:0;bottom:0;overflow:hidden;border-right:2px solid #d00}
.missing{color:#8e1b14}
pre{background:#fafafa;border:1px solid #eee;padding:8px;overflow:auto;max-height:320px;font-size:12px}
body.only-problems section.quiet{display:none}
)";

inline constexpr const char* kReportScript = R"(
// Every element is looked up before use: a block the report could not fill
// (an image it could not show) leaves the rest of the page working.
var only=document.getElementById('only-problems');
if(only)only.addEventListener('change',function(e){
  document.body.classList.toggle('only-problems',e.target.checked);});
// Each image is embedded once, in the table, and put wherever it appears.
var table={};
try{table=JSON.parse(document.getElementById('images').textContent);}catch(e){}
document.querySelectorAll('img[data-img]').forEach(function(i){
  var u=table[i.getAttribute('data-img')];if(u)i.src=u;});
document.querySelectorAll('.slider').forEach(function(s){
  var top=s.querySelector('.top'),range=s.querySelector('input'),under=s.querySelector('.stack>img');
  var over=top&&top.querySelector('img');
  if(!top||!range||!under||!over)return;
  function fit(){over.style.width=under.clientWidth+'px';top.style.width=range.value+'%';}
  range.addEventListener('input',fit);under.addEventListener('load',fit);fit();});
// The 1:1 view: baseline, new, difference, changes or the slider, with the
// differing regions boxed and the first one scrolled into view.
(function(){
  var viewer=document.getElementById('viewer');
  if(!viewer)return;
  var pane=viewer.querySelector('.pane'),under=viewer.querySelector('img.under'),
      over=viewer.querySelector('img.over'),layer=viewer.querySelector('.top'),
      boxes=viewer.querySelector('.boxes'),range=viewer.querySelector('input'),
      title=viewer.querySelector('.title'),block=null;
  function fullOf(role){var i=block&&block.querySelector('img.'+role);
    return i?table[i.getAttribute('data-full')]:null;}
  function show(view){
    var slider=view==='slider',src=fullOf(slider?'baseline':view);
    if(!src)return;
    under.src=src;layer.style.display=slider?'':'none';range.style.display=slider?'':'none';
    if(slider){over.src=fullOf('new')||'';layer.style.width=range.value+'%';}
    viewer.querySelectorAll('button[data-view]').forEach(function(b){
      b.classList.toggle('on',b.getAttribute('data-view')===view);
      b.disabled=!fullOf(b.getAttribute('data-view')==='slider'?'new':b.getAttribute('data-view'));});
  }
  function openOn(b,view){
    block=b;title.textContent=b.getAttribute('data-check')||'';
    boxes.textContent='';
    var list=[];try{list=JSON.parse(b.getAttribute('data-boxes')||'[]');}catch(e){}
    list.forEach(function(r){var s=document.createElement('span');
      s.style.left=(r[0]-3)+'px';s.style.top=(r[1]-3)+'px';
      s.style.width=(r[2]+6)+'px';s.style.height=(r[3]+6)+'px';boxes.appendChild(s);});
    viewer.hidden=false;show(view);
    var first=list[0];
    pane.scrollLeft=first?Math.max(0,first[0]+first[2]/2-pane.clientWidth/2):0;
    pane.scrollTop=first?Math.max(0,first[1]+first[3]/2-pane.clientHeight/2):0;
  }
  document.querySelectorAll('.images .thumb img').forEach(function(i){
    i.addEventListener('click',function(){openOn(i.closest('.images'),i.className);});});
  viewer.querySelectorAll('button[data-view]').forEach(function(b){
    b.addEventListener('click',function(){show(b.getAttribute('data-view'));});});
  range.addEventListener('input',function(){layer.style.width=range.value+'%';});
  viewer.querySelector('.close').addEventListener('click',function(){viewer.hidden=true;});
  document.addEventListener('keydown',function(e){if(e.key==='Escape')viewer.hidden=true;});
  // A link to an image block ("report.html#images-3-0") opens its view.
  var linked=location.hash&&document.getElementById(location.hash.slice(1));
  if(linked&&linked.classList.contains('images'))openOn(linked,'difference');
})();
)";

}  // namespace rc::tools
