// The style and script the review server adds to the HTML report: Accept and
// Keep on every row that warned or created a baseline, Accept all per
// document, and the keyboard (j/k move, a accept, s skip, ? help). Sections
// off screen are not laid out until scrolled to, so that the page of a run
// of thousands of documents is ready in about a second.
#pragma once

namespace rc::tools {

inline constexpr const char* kReviewStyle = R"(
section.document{content-visibility:auto;contain-intrinsic-size:auto 400px}
tr.current{outline:3px solid #6a1b9a;outline-offset:-3px}
td.review button,button.accept-all{margin:0 4px 0 0;font:inherit;padding:1px 8px;border-radius:6px;border:1px solid #888;background:#fff;cursor:pointer}
button.accept-all{margin-left:12px;font-size:12px}
tr.ACCEPTED{background:#e3f5e1;color:#1b5e20}tr.KEPT{background:#eee;color:#555}
#review-bar{position:fixed;bottom:0;left:0;right:0;background:#222;color:#fff;padding:6px 24px;font-size:13px;z-index:3;white-space:pre-wrap}
#review-help{position:fixed;top:20%;left:30%;right:30%;background:#fff;border:2px solid #333;padding:16px;z-index:4;display:none}
)";

inline constexpr const char* kReviewScript = R"(
(function(){
var token=document.body.getAttribute('data-review-token');
var bar=document.createElement('div');bar.id='review-bar';
var help=document.createElement('div');help.id='review-help';
help.innerHTML='<h2>Review keys</h2><p><b>j</b> / <b>k</b> next / previous change<br><b>a</b> accept it<br><b>s</b> skip it (keep the baseline)<br><b>?</b> this help</p>';
document.body.appendChild(bar);document.body.appendChild(help);
var rows=[],current=-1;
function button(text,cls,fn){var b=document.createElement('button');b.type='button';b.textContent=text;b.className=cls;b.addEventListener('click',fn);return b;}
function settle(tr,state){tr.className=state;tr.cells[1].textContent=state;var td=tr.querySelector('td.review');if(td)td.textContent='';}
function say(text){bar.textContent=text;}
function accept(doc,check,affected){
  var body=new URLSearchParams({doc:doc,check:check});
  return fetch('/accept',{method:'POST',headers:{'X-Review-Token':token},body:body}).then(function(r){
    return r.json().then(function(j){
      if(!r.ok){say('not accepted: '+(j.error||r.status));return;}
      affected.forEach(function(tr){settle(tr,'ACCEPTED');});
      say(j.output||'accepted');
    });
  }).catch(function(e){say('not accepted: '+e);});
}
function keep(tr){settle(tr,'KEPT');say(tr.dataset.check+': baseline kept');}
document.querySelectorAll('section.document').forEach(function(sec){
  var doc=sec.id.slice(4),mine=[];
  var head=sec.querySelector('table.checks tr');if(head)head.appendChild(document.createElement('th')).textContent='Review';
  sec.querySelectorAll('table.checks tr').forEach(function(tr){
    if(!tr.classList.contains('WARNING')&&!tr.classList.contains('BASELINE-CREATED'))return;
    var check=tr.cells[0].textContent;tr.dataset.doc=doc;tr.dataset.check=check;
    var td=document.createElement('td');td.className='review';
    td.appendChild(button('Accept','accept',function(){accept(doc,check,[tr]);}));
    td.appendChild(button('Keep','keep',function(){keep(tr);}));
    tr.appendChild(td);rows.push(tr);mine.push(tr);
  });
  if(mine.length){var h=sec.querySelector('h2');if(h)h.appendChild(button('Accept all','accept-all',function(){
    accept(doc,'',mine.filter(function(tr){return tr.className!=='ACCEPTED'&&tr.className!=='KEPT';}));}));}
});
function move(to){
  if(!rows.length)return;
  if(current>=0)rows[current].classList.remove('current');
  current=Math.max(0,Math.min(rows.length-1,to));
  var tr=rows[current];tr.classList.add('current');tr.scrollIntoView({block:'center'});
  var sec=tr.closest('section');if(sec)sec.classList.remove('quiet');
  say((current+1)+' of '+rows.length+': '+tr.dataset.check+'  '+tr.cells[3].textContent+' -> '+tr.cells[2].textContent);
}
document.addEventListener('keydown',function(e){
  if(e.ctrlKey||e.metaKey||e.altKey)return;
  if(e.key==='j')move(current+1);
  else if(e.key==='k')move(current-1);
  else if(e.key==='a'&&current>=0){var tr=rows[current];if(tr.className.indexOf('ACCEPTED')<0)accept(tr.dataset.doc,tr.dataset.check,[tr]);move(current+1);}
  else if(e.key==='s'&&current>=0){keep(rows[current]);move(current+1);}
  else if(e.key==='?')help.style.display=help.style.display==='block'?'none':'block';
  else return;
  e.preventDefault();
});
say(rows.length+' changes to review: j/k move, a accept, s skip, ? help');
})();
)";

}  // namespace rc::tools
